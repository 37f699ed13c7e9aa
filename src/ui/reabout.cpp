#include "reabout.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "JpegImage.h"
#include "Resources.h"
#include "MemoryStatus.h"
#include "ShellOpen.h"

QString KalveroWebAddress()
{
    return QStringLiteral("https://kalvero.org");
}

QString FormatPhysicalMemory(quint64 totalBytes, const QLocale &locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    const auto kilobytes = static_cast<qulonglong>(std::llround(double(totalBytes) / 1024.0));
    return grouped.toString(kilobytes) + QStringLiteral(" KB");
}

QString FormatMemoryLoad(int percent)
{
    return QString::asprintf("%d %%", percent);
}

namespace {

QLabel *newLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

// Labels size themselves to their text from their design position, never below the
// design size: the box's face may be wider than the one it was laid out with.
void fitLabel(QLabel *label)
{
    const QSize hint = label->sizeHint();
    label->resize(qMax(label->width(), hint.width()), qMax(label->height(), hint.height()));
}

} // namespace

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner), OpenLink(ShellOpen)
{
    EnsureResources();
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Kalvero"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(592, 257);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    QFont boxFont(QStringLiteral("MS Sans Serif"));
    boxFont.setPixelSize(11);
    setFont(boxFont);

    // The OK button comes first in the tab order.
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(276, 229, 75, 25);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::reject);

    ProgramIcon = newLabel(this, "ProgramIcon", QString(), QRect(-8, 4, 600, 140));
    QFile picture(QStringLiteral(":/about.jpg"));
    if (picture.open(QIODevice::ReadOnly)) {
        const QImage image = DecodeJpeg(picture.readAll());
        if (!image.isNull()) {
            ProgramIcon->setPixmap(QPixmap::fromImage(image));
            ProgramIcon->resize(image.size());
        }
    }

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(177, 142, 260, 2);

    Label1 = newLabel(this, "Label1", QStringLiteral("The Kalvero"), QRect(8, 150, 82, 13));
    Label2 = newLabel(this, "Label2", KalveroWebAddress(), QRect(8, 169, 123, 13));
    QFont linkFont = boxFont;
    linkFont.setUnderline(true);
    Label2->setFont(linkFont);
    QPalette linkPalette = Label2->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    Label2->setPalette(linkPalette);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);
    Label3 = newLabel(this, "Label3", QStringLiteral("Physical Memory Available to Windows:"), QRect(8, 191, 187, 13));
    PhysMem = newLabel(this, "PhysMem", QStringLiteral("0"), QRect(276, 191, 30, 13));
    Label4 = newLabel(this, "Label4", QStringLiteral("Memory in Use:"), QRect(8, 210, 73, 13));
    FreeRes = newLabel(this, "FreeRes", QStringLiteral("0"), QRect(276, 210, 29, 13));
    for (QLabel *label : {Label1, Label2, Label3, Label4})
        fitLabel(label);

    OKButton->setFocus();
    FormCreate();
}

void TAboutBox::FormCreate()
{
    const MemoryStatus status = QueryMemoryStatus();
    PhysMem->setText(FormatPhysicalMemory(status.totalPhysBytes));
    FreeRes->setText(FormatMemoryLoad(status.memoryLoadPercent));
    fitLabel(PhysMem);
    fitLabel(FreeRes);
}

void TAboutBox::Label2Click()
{
    if (OpenLink)
        OpenLink(Label2->text());
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == Label2 && e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
        Label2Click();
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TAboutBox::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    // Centred on the screen, not on the owner.
    if (QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

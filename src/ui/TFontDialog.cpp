#include "TFontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <iterator>

#include "FontColors.h"

namespace {

// Rows of the style list and the style bits each stands for.
struct StyleRow
{
    const char *name;
    TFontStyles bits;
};
constexpr StyleRow kStyles[] = {{"Regular", 0}, {"Italic", fsItalic}, {"Bold", fsBold}, {"Bold Italic", fsBold | fsItalic}};

// A label above a control, the label's mnemonic leading to it.
QWidget *labelled(const QString &caption, QWidget *edit, QWidget *list, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(caption, box);
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    if (list)
        layout->addWidget(list, 1);
    return box;
}

} // namespace

const QList<int> &TFontDialog::StandardSizes()
{
    static const QList<int> sizes{8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    return sizes;
}

TFontDialog::TFontDialog(const QStringList &faces, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("Font"));

    FaceName = new QLineEdit(this);
    FaceList = new QListWidget(this);
    FaceList->addItems(faces);
    StyleList = new QListWidget(this);
    for (const StyleRow &row : kStyles)
        StyleList->addItem(QString::fromLatin1(row.name));
    SizeText = new QLineEdit(this);
    SizeList = new QListWidget(this);
    for (int size : StandardSizes())
        SizeList->addItem(QString::number(size));

    StrikeOut = new QCheckBox(QStringLiteral("Stri&keout"), this);
    Underline = new QCheckBox(QStringLiteral("&Underline"), this);
    ColorBox = new QComboBox(this);
    for (const TFontColorEntry &entry : FontColorEntries)
        ColorBox->addItem(FontColorSwatch(entry.color), QString::fromLatin1(entry.name), QVariant(entry.color));
    auto *effects = new QGroupBox(QStringLiteral("Effects"), this);
    auto *effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(StrikeOut);
    effectsLayout->addWidget(Underline);
    auto *colorLabel = new QLabel(QStringLiteral("&Color:"), effects);
    colorLabel->setBuddy(ColorBox);
    effectsLayout->addWidget(colorLabel);
    effectsLayout->addWidget(ColorBox);

    auto *sampleBox = new QGroupBox(QStringLiteral("Sample"), this);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    Sample = new QLabel(QStringLiteral("AaBbYyZz"), sampleBox);
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setMinimumSize(200, 60);
    sampleLayout->addWidget(Sample);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(labelled(QStringLiteral("&Font:"), FaceName, FaceList, this), 0, 0, 2, 1);
    auto *styleEdit = new QWidget(this); // the style list needs no edit box: a spacer of its height
    styleEdit->setFixedHeight(FaceName->sizeHint().height());
    grid->addWidget(labelled(QStringLiteral("Font st&yle:"), styleEdit, StyleList, this), 0, 1, 2, 1);
    grid->addWidget(labelled(QStringLiteral("&Size:"), SizeText, SizeList, this), 0, 2, 2, 1);
    grid->addWidget(effects, 2, 0);
    grid->addWidget(sampleBox, 2, 1, 1, 2);
    grid->addWidget(buttons, 3, 0, 1, 3);

    // Lists and edit boxes follow each other; every change shows in the sample.
    connect(FaceList, &QListWidget::currentTextChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && FaceName->text() != text)
            FaceName->setText(text);
        updateSample();
    });
    connect(FaceName, &QLineEdit::textEdited, this, &TFontDialog::faceTyped);
    connect(SizeList, &QListWidget::currentTextChanged, this, [this](const QString &text) {
        if (!text.isEmpty() && SizeText->text() != text)
            SizeText->setText(text);
        updateSample();
    });
    connect(SizeText, &QLineEdit::textEdited, this, &TFontDialog::sizeTyped);
    connect(StyleList, &QListWidget::currentRowChanged, this, [this] { updateSample(); });
    connect(StrikeOut, &QCheckBox::toggled, this, [this] { updateSample(); });
    connect(Underline, &QCheckBox::toggled, this, [this] { updateSample(); });
    connect(ColorBox, &QComboBox::currentIndexChanged, this, [this] { updateSample(); });
}

void TFontDialog::faceTyped(const QString &text)
{
    // The list shows the first face that begins with the typed text; the text stays as typed.
    const QSignalBlocker blocker(FaceList);
    const QList<QListWidgetItem *> found = FaceList->findItems(text, Qt::MatchStartsWith);
    FaceList->setCurrentItem(text.isEmpty() || found.isEmpty() ? nullptr : found.first());
    if (FaceList->currentItem())
        FaceList->scrollToItem(FaceList->currentItem());
    updateSample();
}

void TFontDialog::sizeTyped(const QString &text)
{
    const QSignalBlocker blocker(SizeList);
    const QList<QListWidgetItem *> found = SizeList->findItems(text, Qt::MatchExactly);
    SizeList->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    updateSample();
}

void TFontDialog::setChoice(const TFontChoice &font)
{
    m_given = font;
    FaceName->setText(font.name);
    faceTyped(font.name);
    const QList<QListWidgetItem *> exact = FaceList->findItems(font.name, Qt::MatchFixedString);
    if (!exact.isEmpty()) {
        const QSignalBlocker blocker(FaceList);
        FaceList->setCurrentItem(exact.first());
    }
    const TFontStyles bits = font.style & (fsBold | fsItalic);
    for (int row = 0; row < int(std::size(kStyles)); ++row)
        if (kStyles[row].bits == bits)
            StyleList->setCurrentRow(row);
    SizeText->setText(QString::number(font.size));
    sizeTyped(SizeText->text());
    StrikeOut->setChecked(font.style & fsStrikeOut);
    Underline->setChecked(font.style & fsUnderline);
    ColorBox->setCurrentIndex(FontColorIndex(font.color));
    updateSample();
}

TFontChoice TFontDialog::choice() const
{
    TFontChoice font = m_given;
    // A typed beginning stands for the face the list shows for it.
    const QString face = FaceName->text().trimmed();
    const QListWidgetItem *listed = FaceList->currentItem();
    if (listed && listed->text().startsWith(face, Qt::CaseInsensitive))
        font.name = listed->text();
    else if (!face.isEmpty())
        font.name = face;
    bool isNumber = false;
    const int size = SizeText->text().trimmed().toInt(&isNumber);
    if (isNumber && size > 0)
        font.size = size;
    const int row = StyleList->currentRow();
    font.style = row >= 0 ? kStyles[row].bits : (m_given.style & (fsBold | fsItalic));
    if (StrikeOut->isChecked())
        font.style |= fsStrikeOut;
    if (Underline->isChecked())
        font.style |= fsUnderline;
    if (ColorBox->currentIndex() >= 0)
        font.color = TColor(ColorBox->itemData(ColorBox->currentIndex()).toInt());
    return font;
}

void TFontDialog::updateSample()
{
    const TFontChoice font = choice();
    QFont sampleFont(font.name);
    sampleFont.setPointSize(qBound(1, font.size, 72));
    sampleFont.setBold(font.style & fsBold);
    sampleFont.setItalic(font.style & fsItalic);
    sampleFont.setUnderline(font.style & fsUnderline);
    sampleFont.setStrikeOut(font.style & fsStrikeOut);
    Sample->setFont(sampleFont);
    QPalette palette = Sample->palette();
    palette.setColor(QPalette::WindowText, font.color == clWindowText
                                                ? this->palette().color(QPalette::WindowText)
                                                : QColor(font.color & 0xFF, (font.color >> 8) & 0xFF,
                                                         (font.color >> 16) & 0xFF));
    Sample->setPalette(palette);
}

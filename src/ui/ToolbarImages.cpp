#include "ToolbarImages.h"

#include <QAbstractButton>
#include <QAction>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QVariant>
#include <QWidget>
#include <array>

namespace {

const char *const kThemeNames[ToolbarImageCount] = {
    "document-new", "document-open", "document-save", "document-print", "edit-undo",
    "edit-cut", "edit-copy", "edit-paste", "format-text-bold", "format-text-italic",
    "format-text-underline", "format-justify-left", "format-justify-center",
    "format-justify-right", "format-list-unordered", nullptr, nullptr, nullptr,
    "format-text-direction-ltr", "format-text-direction-rtl",
};

const char *const kImageIndexProperty = "ImageIndex";

void drawPage(QPainter &p)
{
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

void drawLines(QPainter &p, const std::array<std::pair<int, int>, 4> &spans)
{
    p.setPen(QPen(Qt::black, 1));
    int y = 3;
    for (const auto &[from, to] : spans) {
        p.drawLine(from, y, to, y);
        y += 3;
    }
}

void drawLetter(QPainter &p, const QString &letter, bool bold, bool italic, bool underline)
{
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(14);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
}

void drawLanguage(QPainter &p, const QColor &background, const QString &text, const QString &family,
                  int pixelSize)
{
    p.fillRect(QRect(0, 0, 16, 16), background);
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, text);
}

// A paragraph mark with an arrow under it that points the way the lines read.
void drawDirection(QPainter &p, bool rightToLeft)
{
    const int mark = rightToLeft ? 8 : 3; // left edge of the pilcrow
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QRect(mark, 1, 4, 4));
    p.fillRect(mark + 3, 1, 1, 9, Qt::black);
    p.fillRect(mark + 5, 1, 1, 9, Qt::black);
    p.fillRect(mark + 3, 1, 3, 1, Qt::black);
    const int tip = rightToLeft ? 1 : 14;
    const int tail = rightToLeft ? 14 : 1;
    p.fillRect(QRect(QPoint(qMin(tip, tail), 12), QPoint(qMax(tip, tail), 12)), Qt::black);
    const int step = rightToLeft ? 1 : -1;
    for (int i = 1; i <= 2; ++i)
        p.fillRect(tip + step * i, 12 - i, 1, 2 * i + 1, Qt::black);
}

void drawImage(QPainter &p, int index)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (index) {
    case 0: // New: a blank page with a star
        drawPage(p);
        p.setPen(QPen(QColor(230, 170, 0), 1));
        p.drawLine(1, 1, 5, 5);
        p.drawLine(5, 1, 1, 5);
        p.drawLine(3, 0, 3, 6);
        break;
    case 1: // Open: a folder
        p.setPen(QColor(120, 90, 20));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(1, 4, 13, 10);
        p.setBrush(QColor(250, 220, 130));
        p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 14), QPoint(1, 14)}));
        p.drawRect(1, 2, 5, 2);
        break;
    case 2: // Save: a disk
        p.setPen(QColor(20, 30, 80));
        p.setBrush(QColor(50, 80, 170));
        p.drawRect(1, 1, 13, 13);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 9, 7, 5);
        break;
    case 3: // Print: a printer
        p.setPen(QColor(50, 50, 50));
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(1, 6, 13, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 7, 5);
        break;
    case 4: { // Undo: an arrow turning back
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(30, 90, 30), 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 9, 8), 90 * 16, -200 * 16);
        p.setBrush(QColor(30, 90, 30));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(1, 5), QPointF(7, 1), QPointF(7, 9)}));
        break;
    }
    case 5: // Cut: scissors
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(4, 1, 10, 10);
        p.drawLine(11, 1, 5, 10);
        p.setPen(QPen(QColor(180, 0, 0), 1.5));
        p.drawEllipse(QRectF(2, 10, 4, 4));
        p.drawEllipse(QRectF(9, 10, 4, 4));
        break;
    case 6: // Copy: two pages
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 8, 10);
        p.drawRect(6, 4, 8, 10);
        drawLines(p, {{{8, 12}, {8, 12}, {8, 12}, {8, 10}}});
        break;
    case 7: // Paste: a clipboard with a page
        p.setPen(QColor(90, 60, 20));
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(1, 2, 10, 12);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 1, 4, 2);
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(7, 6, 7, 9);
        break;
    case 8:
        drawLetter(p, QStringLiteral("B"), true, false, false);
        break;
    case 9:
        drawLetter(p, QStringLiteral("I"), false, true, false);
        break;
    case 10:
        drawLetter(p, QStringLiteral("U"), false, false, true);
        break;
    case 11:
        drawLines(p, {{{1, 14}, {1, 10}, {1, 14}, {1, 8}}});
        break;
    case 12:
        drawLines(p, {{{1, 14}, {4, 11}, {2, 13}, {5, 10}}});
        break;
    case 13:
        drawLines(p, {{{1, 14}, {5, 14}, {1, 14}, {7, 14}}});
        break;
    case 14: // Bullets
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int y : {2, 7, 12}) {
            p.drawRect(1, y, 3, 3);
            p.fillRect(6, y + 1, 9, 1, Qt::black);
        }
        break;
    case imgLanguageEnglish:
        drawLanguage(p, QColor(0, 0, 200), QStringLiteral("EN"), QStringLiteral("DejaVu Sans"), 9);
        break;
    case imgLanguageArabic:
        drawLanguage(p, Qt::black, QString(QChar(0x0639)), QStringLiteral("Noto Sans Arabic"), 15);
        break;
    case imgLanguageCoptic:
        drawLanguage(p, QColor(200, 0, 0), QStringLiteral("C"), QStringLiteral("DejaVu Sans"), 13);
        break;
    case imgLeftToRight:
        drawDirection(p, false);
        break;
    case imgRightToLeft:
        drawDirection(p, true);
        break;
    default:
        break;
    }
}

} // namespace

QPixmap DrawnToolbarImage(int index)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    if (index < 0 || index >= ToolbarImageCount)
        return pixmap;
    QPainter p(&pixmap);
    drawImage(p, index);
    return pixmap;
}

QString ToolbarImageThemeName(int index)
{
    if (index < 0 || index >= ToolbarImageCount || !kThemeNames[index])
        return {};
    return QString::fromLatin1(kThemeNames[index]);
}

QIcon ToolbarImage(int index)
{
    if (index < 0 || index >= ToolbarImageCount)
        return {};
    static std::array<QIcon, ToolbarImageCount> cache;
    QIcon &icon = cache[std::size_t(index)];
    if (icon.isNull()) {
        const QString themeName = ToolbarImageThemeName(index);
        if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
            icon = QIcon::fromTheme(themeName);
        else
            icon = QIcon(DrawnToolbarImage(index));
    }
    return icon;
}

void SetImageIndex(QObject *target, int index)
{
    target->setProperty(kImageIndexProperty, index);
    ShowImage(target);
}

void ShowImage(QObject *target)
{
    const int index = ImageIndex(target);
    if (auto *action = qobject_cast<QAction *>(target))
        action->setIcon(ToolbarImage(index));
    else if (auto *button = qobject_cast<QAbstractButton *>(target))
        button->setIcon(ToolbarImage(index));
}

int ImageIndex(const QObject *target)
{
    const QVariant value = target->property(kImageIndexProperty);
    return value.isValid() ? value.toInt() : -1;
}

QString ShortHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void ApplyHint(QWidget *widget, const QString &hint)
{
    widget->setToolTip(ShortHint(hint));
    widget->setStatusTip(LongHint(hint));
}

void ApplyHint(QAction *action, const QString &hint)
{
    action->setToolTip(ShortHint(hint));
    action->setStatusTip(LongHint(hint));
}

#include "FontColors.h"

#include <QPainter>
#include <QPixmap>

namespace {
constexpr TColor rgb(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }
} // namespace

const TFontColorEntry FontColorEntries[FontColorCount] = {
    {"Black", rgb(0, 0, 0)},
    {"Maroon", rgb(128, 0, 0)},
    {"Green", rgb(0, 128, 0)},
    {"Olive", rgb(128, 128, 0)},
    {"Navy", rgb(0, 0, 128)},
    {"Purple", rgb(128, 0, 128)},
    {"Teal", rgb(0, 128, 128)},
    {"Gray", rgb(128, 128, 128)},
    {"Silver", rgb(192, 192, 192)},
    {"Red", rgb(255, 0, 0)},
    {"Lime", rgb(0, 255, 0)},
    {"Yellow", rgb(255, 255, 0)},
    {"Blue", rgb(0, 0, 255)},
    {"Fuchsia", rgb(255, 0, 255)},
    {"Aqua", rgb(0, 255, 255)},
    {"White", rgb(255, 255, 255)},
    {"Money Green", rgb(192, 220, 192)},
    {"Sky Blue", rgb(166, 202, 240)},
    {"Cream", rgb(255, 251, 240)},
    {"Medium Gray", rgb(160, 160, 164)},
};

int FontColorIndex(TColor color)
{
    for (int i = 0; i < FontColorCount; ++i)
        if (FontColorEntries[i].color == color)
            return i;
    return -1;
}

QIcon FontColorSwatch(TColor color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    painter.drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

#pragma once

#include <QIcon>
#include <QString>

#include "TTntRichEdit.h"

// The entries of the colour box, in order: the 16 standard colours, then 4 extended ones.
struct TFontColorEntry
{
    const char *name;
    TColor color;
};

constexpr int FontColorCount = 20;
extern const TFontColorEntry FontColorEntries[FontColorCount];

// Index of the entry holding color, or -1 (automatic colour and every colour not in the list).
int FontColorIndex(TColor color);

// The small framed square that shows a colour in the colour boxes.
QIcon FontColorSwatch(TColor color);

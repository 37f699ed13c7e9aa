#pragma once

#include <QList>
#include <QString>

#include "CharacterMap.h"

// One character key of a US keyboard: what it types plain and with Shift.
struct TUsKey
{
    char plain;
    char shifted;
};

// The character keys of a US keyboard, row by row from the digits down; the space bar is the
// last row. Each printable ASCII character is on exactly one of them.
const QList<QList<TUsKey>> &UsKeyboardRows();

// What a key cap shows for one typed character in a language (0 English, 1 Arabic, 2 Coptic):
// the text typing it inserts, as KeyCapLabel draws it, and whether the map changes it.
struct TKeyCapText
{
    QString label;
    bool mapped = false;
};

// English types every key as it is; Arabic and Coptic the text of the first map entry for the
// key (as typing does), or the key itself when the map has none.
TKeyCapText KeyCapText(const TCharacterMap &map, int language, unsigned char key);

// A text made fit for a key cap: a combining mark with no letter before it sits on a dotted
// circle (U+25CC); a character that draws nothing (a format or control character, a space
// other than the plain one) is named by its code point, "U+200F".
QString KeyCapLabel(const QString &text);

#pragma once

#include <QList>
#include <QString>

#include "CharacterMap.h"

// One entry of a loaded map that does not work as written.
struct TMapProblem
{
    int line = 0;        // the file line of the entry
    QString reason;      // what is wrong, as the user is told
    bool usable = false; // true: the entry was mended and works (a key written in UTF-8)
};

// Looks at every entry of map. A key of more than one byte that is the UTF-8 form of one
// character U+0080..U+00FF becomes that character's one-byte key, so it matches as the user
// meant; it is noted as usable. An entry whose key can never match a keystroke, or whose Arabic
// or Coptic text is not valid UTF-8 (DecodeMapText gives nothing), is noted as one that cannot
// be used; it stays in the map, so the entries after it keep their order and meaning.
QList<TMapProblem> CheckCharacterMap(TCharacterMap &map);

// The message that lists the problems of the map file fileName (as shown to the user), or an
// empty text when there are none. At most maxListed entries of each kind are named.
QString MapProblemsMessage(const QString &fileName, const QList<TMapProblem> &problems, int maxListed = 20);

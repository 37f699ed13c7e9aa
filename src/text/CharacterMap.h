#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The three index-aligned columns of map.txt, bytes as read.
struct TCharacterMap
{
    QList<QByteArray> KeyColumn;
    QList<QByteArray> ArabicColumn;
    QList<QByteArray> CopticColumn;
    QList<int> LineNumbers; // the file line (from 1) each entry came from, for messages

    void clear();
    int size() const { return int(KeyColumn.size()); }
    // Index of the first entry whose key is exactly the one byte key, or -1.
    int find(unsigned char key) const;
};

// Appends the entries of the map file's bytes to map (line rules: LF / CR LF ends, a lone CR
// dropped, 0x1A ends the file at a line start and the line inside one, TAB runs separate,
// lines with fewer than three fields skipped).
void ParseCharacterMap(const QByteArray &bytes, TCharacterMap &map);

// The largest map file that is read, in bytes (16 MB).
constexpr qint64 kMaxMapFileSize = 16 * 1024 * 1024;

// Empties map; returns false when path does not name a regular file (a directory, a FIFO or
// a device counts as missing) without opening it; otherwise reads it and returns true. A file
// that cannot be read, or one larger than kMaxMapFileSize, throws EKalveroError.
bool LoadCharacterMapFile(const QString &path, TCharacterMap &map);

// Decodes a map entry from UTF-8; a character beyond U+FFFF gives its surrogate pair. An entry
// that is not valid UTF-8 (a cut-short sequence, a bad continuation or lead byte, an overlong
// form, a surrogate code point, anything above U+10FFFF) or that holds U+0000 decodes to the
// empty text as a whole.
QString DecodeMapText(const QByteArray &utf8);

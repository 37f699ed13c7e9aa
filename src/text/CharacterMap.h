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

// Decodes a map entry: bytes below 0x80 stand for themselves, 2- and 3-byte sequences give
// one UTF-16 unit, a valid 4-byte sequence gives its surrogate pair; a cut-short sequence or a
// bad continuation byte makes the whole entry decode to the empty text.
QString DecodeMapText(const QByteArray &utf8);

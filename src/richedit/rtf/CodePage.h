#pragma once

#include <QString>

namespace rtf {

// Windows code pages decoded through the C library's iconv. Single-byte pages are
// turned into a 256-entry table (built once from iconv); double-byte pages go
// through iconv for each run. Unknown pages fall back to Windows-1252.
namespace codepage {

// Code page used for a Windows character set (\fcharset); 0 when the character
// set names no code page of its own (1 = default), SymbolCodePage for 2.
int forCharset(int charset);

// Code page that a Windows font name suffix stands for ("Arial CE": 1250,
// "Times New Roman Cyr": 1251, "David (Hebrew)": 1255); 0 for other names.
int forFontNameSuffix(const QString &name);

constexpr int SymbolCodePage = 42;
constexpr int Utf8CodePage = 65001;

// True when bytes below 0x80 always stand for ASCII in this code page.
bool isAsciiCompatible(int codePage);

// Appends the decoded bytes to out. Bytes that the code page does not define
// become U+FFFD (double-byte pages) or the character with the byte's value
// (single-byte pages, as Windows does for the holes of 1252).
void decode(int codePage, const char *bytes, qsizetype size, QString &out);

inline QString decode(int codePage, const QByteArray &bytes)
{
    QString out;
    decode(codePage, bytes.constData(), bytes.size(), out);
    return out;
}

} // namespace codepage
} // namespace rtf

#pragma once

#include <QtGlobal>

namespace rtf {

// The value of a hexadecimal digit, or -1 for any other character.
int hexValue(char c);

// One lexical unit of RTF.
struct RtfToken
{
    enum Kind : quint8 {
        End,           // no more input
        GroupOpen,     // {
        GroupClose,    // }
        ControlWord,   // \name or \nameN (text/size: the name)
        ControlSymbol, // \x for a non-letter x (value: x); backslash + line end gives '\n'
        Text,          // a run of plain bytes (text/size); never holds { } \ CR LF NUL
        HexByte,       // \'hh (value: the byte)
        Binary,        // the payload of \binN (text/size)
    };
    Kind kind = End;
    bool hasParam = false;
    uchar value = 0;
    int param = 0;
    const char *text = nullptr;
    qsizetype size = 0;
};

// Splits a byte buffer into RTF tokens. Works on the caller's buffer without copying;
// never reads past its end, whatever the bytes are.
class RtfTokenizer
{
public:
    RtfTokenizer(const char *data, qsizetype size);

    void next(RtfToken &token);

    // Skips everything up to and including the } that closes the group whose {
    // was read last (nested groups, escaped braces and \bin payloads included).
    // Returns false when the input ends first.
    bool skipGroup();

    qsizetype position() const { return m_pos - m_begin; }

private:
    void readControl(RtfToken &token);

    const char *m_begin;
    const char *m_pos;
    const char *m_end;
};

} // namespace rtf

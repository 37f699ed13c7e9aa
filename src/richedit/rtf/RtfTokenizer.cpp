#include "RtfTokenizer.h"

#include <climits>
#include <cstring>

namespace rtf {

namespace {

inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Bytes that end a text run.
struct StopTable
{
    bool stop[256] = {};
    constexpr StopTable()
    {
        stop[uchar('\\')] = stop[uchar('{')] = stop[uchar('}')] = true;
        stop[uchar('\r')] = stop[uchar('\n')] = stop[0] = true;
    }
};
constexpr StopTable kStops;

} // namespace

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfTokenizer::RtfTokenizer(const char *data, qsizetype size)
    : m_begin(data), m_pos(data), m_end(data + (size > 0 ? size : 0))
{
}

void RtfTokenizer::next(RtfToken &token)
{
    token.hasParam = false;
    token.param = 0;
    for (;;) {
        if (m_pos >= m_end) {
            token.kind = RtfToken::End;
            return;
        }
        const char c = *m_pos;
        switch (c) {
        case '{':
            ++m_pos;
            token.kind = RtfToken::GroupOpen;
            return;
        case '}':
            ++m_pos;
            token.kind = RtfToken::GroupClose;
            return;
        case '\\':
            readControl(token);
            return;
        case '\r':
        case '\n':
        case '\0':
            ++m_pos; // line ends carry no meaning in RTF; NUL bytes are dropped
            continue;
        default: {
            const char *start = m_pos;
            while (m_pos < m_end && !kStops.stop[uchar(*m_pos)])
                ++m_pos;
            token.kind = RtfToken::Text;
            token.text = start;
            token.size = m_pos - start;
            return;
        }
        }
    }
}

void RtfTokenizer::readControl(RtfToken &token)
{
    // A word without a number has none: skipGroup reuses one token for every word, and a \bin
    // without a number took the length of the last number read before it.
    token.hasParam = false;
    token.param = 0;
    ++m_pos; // the backslash
    if (m_pos >= m_end) {
        token.kind = RtfToken::End;
        return;
    }
    const char c = *m_pos;
    if (!isLetter(c)) {
        ++m_pos;
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_end) {
                const int h = hexValue(*m_pos);
                if (h < 0)
                    break;
                value = value * 16 + h;
                ++m_pos;
                ++digits;
            }
            if (digits == 0) { // "\'" followed by no hex digit: nothing to emit
                token.kind = RtfToken::ControlSymbol;
                token.value = 0;
                return;
            }
            // "\'3?": Word takes the second character as part of the escape whatever it
            // is, so the escape stays one unit (a \u fallback is skipped whole).
            if (digits == 1 && m_pos < m_end && *m_pos != '\\' && *m_pos != '{' && *m_pos != '}'
                && *m_pos != '\r' && *m_pos != '\n')
                ++m_pos;
            token.kind = RtfToken::HexByte;
            token.value = uchar(value);
            return;
        }
        token.kind = RtfToken::ControlSymbol;
        token.value = (c == '\r' || c == '\n') ? uchar('\n') : uchar(c);
        return;
    }
    const char *name = m_pos;
    while (m_pos < m_end && isLetter(*m_pos))
        ++m_pos;
    token.kind = RtfToken::ControlWord;
    token.text = name;
    token.size = m_pos - name;
    bool negative = false;
    if (m_pos < m_end && *m_pos == '-' && m_pos + 1 < m_end && isDigit(m_pos[1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < m_end && isDigit(*m_pos)) {
        qint64 value = 0;
        while (m_pos < m_end && isDigit(*m_pos)) {
            if (value <= INT_MAX)
                value = value * 10 + (*m_pos - '0');
            ++m_pos;
        }
        if (value > INT_MAX)
            value = INT_MAX; // saturate absurd numbers
        token.hasParam = true;
        token.param = negative ? int(-value) : int(value);
    }
    if (m_pos < m_end && *m_pos == ' ')
        ++m_pos; // the delimiting space belongs to the control word

    if (token.size == 3 && std::memcmp(name, "bin", 3) == 0) {
        const qsizetype left = m_end - m_pos;
        qsizetype n = token.hasParam && token.param > 0 ? token.param : 0;
        if (n > left)
            n = left;
        token.kind = RtfToken::Binary;
        token.text = m_pos;
        token.size = n;
        m_pos += n;
    }
}

bool RtfTokenizer::skipGroup()
{
    qsizetype depth = 1;
    RtfToken token;
    while (m_pos < m_end) {
        const char c = *m_pos;
        if (c == '{') {
            ++depth;
            ++m_pos;
        } else if (c == '}') {
            ++m_pos;
            if (--depth == 0)
                return true;
        } else if (c == '\\') {
            if (m_pos + 1 < m_end && isLetter(m_pos[1]))
                readControl(token); // consumes \bin payloads
            else
                m_pos = m_end - m_pos >= 2 ? m_pos + 2 : m_end; // escaped character
        } else {
            // Fast scan to the next interesting byte.
            const char *p = m_pos + 1;
            while (p < m_end && *p != '{' && *p != '}' && *p != '\\')
                ++p;
            m_pos = p;
        }
    }
    m_pos = m_end;
    return false;
}

} // namespace rtf

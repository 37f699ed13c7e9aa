#include "IntConv.h"

#include "Errors.h"

namespace {

int HexDigitValue(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

// The classic Pascal reading of a whole number:
//  - spaces (only the space character) may lead;
//  - then either one sign followed by decimal digits, or "$", "x", "X", "0x", "0X" followed by
//    hexadecimal digits; a sign and a hexadecimal prefix never go together;
//  - at least one digit, and nothing after the digits, not even a space;
//  - decimal values must lie in -2147483648..2147483647;
//  - hexadecimal values are 32-bit patterns: up to eight significant digits, read as a
//    signed value, so "$FFFFFFFF" is -1 and "$80000000" is -2147483648.
std::optional<qint32> TryStrToInt(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    if (i == n)
        return std::nullopt;

    bool hex = false;
    bool negative = false;
    const char16_t first = text.at(i).unicode();
    if (first == '$' || first == 'x' || first == 'X') {
        hex = true;
        ++i;
    } else if (first == '0' && i + 1 < n && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    } else if (first == '-' || first == '+') {
        negative = first == '-';
        ++i;
    }
    if (i == n)
        return std::nullopt;

    if (hex) {
        quint32 value = 0;
        for (; i < n; ++i) {
            const int digit = HexDigitValue(text.at(i).unicode());
            if (digit < 0 || value > 0x0FFFFFFFu)
                return std::nullopt;
            value = (value << 4) | quint32(digit);
        }
        return qint32(value);
    }

    quint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 0x80000000ull)
            return std::nullopt;
    }
    if (negative)
        return qint32(-qint64(value));
    if (value > 0x7FFFFFFFull)
        return std::nullopt;
    return qint32(value);
}

qint32 StrToInt(const QString &text)
{
    if (const std::optional<qint32> value = TryStrToInt(text))
        return *value;
    throw EKalveroError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

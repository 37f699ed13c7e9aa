#include "KeyboardMapContent.h"

namespace {

constexpr char16_t kDottedCircle = 0x25CC;

bool IsMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

bool DrawsNothing(char32_t c)
{
    if (c == U' ')
        return false;
    switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Other_Control:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

const QList<QList<TUsKey>> &UsKeyboardRows()
{
    static const QList<QList<TUsKey>> rows = {
        {{'`', '~'}, {'1', '!'}, {'2', '@'}, {'3', '#'}, {'4', '$'}, {'5', '%'}, {'6', '^'},
         {'7', '&'}, {'8', '*'}, {'9', '('}, {'0', ')'}, {'-', '_'}, {'=', '+'}},
        {{'q', 'Q'}, {'w', 'W'}, {'e', 'E'}, {'r', 'R'}, {'t', 'T'}, {'y', 'Y'}, {'u', 'U'},
         {'i', 'I'}, {'o', 'O'}, {'p', 'P'}, {'[', '{'}, {']', '}'}, {'\\', '|'}},
        {{'a', 'A'}, {'s', 'S'}, {'d', 'D'}, {'f', 'F'}, {'g', 'G'}, {'h', 'H'}, {'j', 'J'},
         {'k', 'K'}, {'l', 'L'}, {';', ':'}, {'\'', '"'}},
        {{'z', 'Z'}, {'x', 'X'}, {'c', 'C'}, {'v', 'V'}, {'b', 'B'}, {'n', 'N'}, {'m', 'M'},
         {',', '<'}, {'.', '>'}, {'/', '?'}},
        {{' ', ' '}},
    };
    return rows;
}

TKeyCapText KeyCapText(const TCharacterMap &map, int language, unsigned char key)
{
    const QString own{QChar(char16_t(key))};
    if (language == 0)
        return {KeyCapLabel(own), false};
    const int entry = map.find(key);
    if (entry < 0)
        return {KeyCapLabel(own), false};
    const QByteArray &text = language == 1 ? map.ArabicColumn.at(entry) : map.CopticColumn.at(entry);
    return {KeyCapLabel(DecodeMapText(text)), true};
}

QString KeyCapLabel(const QString &text)
{
    QString label;
    bool afterBase = false;
    for (const char32_t c : text.toUcs4()) {
        if (DrawsNothing(c)) {
            if (!label.isEmpty())
                label += QLatin1Char(' ');
            label += QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
            afterBase = false;
            continue;
        }
        if (IsMark(c) && !afterBase)
            label += QChar(kDottedCircle);
        label += QString::fromUcs4(&c, 1);
        afterBase = true;
    }
    return label;
}

#include "MapCheck.h"

#include <QStringList>

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// The one Latin-1 character whose UTF-8 form key is, or -1.
int Utf8Latin1Character(const QByteArray &key)
{
    if (key.size() != 2)
        return -1;
    const auto lead = static_cast<unsigned char>(key.at(0));
    const auto next = static_cast<unsigned char>(key.at(1));
    if ((lead != 0xC2 && lead != 0xC3) || next < 0x80 || next > 0xBF)
        return -1;
    return ((lead & 0x1F) << 6) | (next & 0x3F);
}

// A key as the user wrote it: UTF-8 when it is, else each byte as a Latin-1 character.
QString ShownKey(const QByteArray &key)
{
    const QString text = DecodeMapText(key);
    return text.isEmpty() ? QString::fromLatin1(key) : text;
}

QString KeyReason(const QByteArray &key)
{
    if (key.startsWith(kByteOrderMark))
        return QStringLiteral("the key begins with a UTF-8 byte-order mark and never matches; save the file without one");
    const QString shown = ShownKey(key);
    if (shown.toUcs4().size() == 1)
        return QStringLiteral("the key \"%1\" lies beyond U+00FF and never matches").arg(shown);
    return QStringLiteral("the key \"%1\" is longer than one character and never matches").arg(shown);
}

QString TextReason(bool arabicBad, bool copticBad)
{
    if (arabicBad && copticBad)
        return QStringLiteral("the Arabic and the Coptic text are not valid UTF-8");
    return arabicBad ? QStringLiteral("the Arabic text is not valid UTF-8")
                     : QStringLiteral("the Coptic text is not valid UTF-8");
}

QString Listing(const QList<TMapProblem> &problems, int maxListed)
{
    QStringList parts;
    for (const TMapProblem &problem : problems) {
        if (parts.size() == maxListed) {
            parts << QStringLiteral("and %1 more").arg(problems.size() - maxListed);
            break;
        }
        parts << QStringLiteral("line %1 (%2)").arg(problem.line).arg(problem.reason);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

QList<TMapProblem> CheckCharacterMap(TCharacterMap &map)
{
    QList<TMapProblem> problems;
    for (int i = 0; i < map.size(); ++i) {
        const int line = i < map.LineNumbers.size() ? map.LineNumbers.at(i) : 0;
        QStringList reasons;
        QByteArray &key = map.KeyColumn[i];
        if (key.size() > 1) {
            const int latin1 = Utf8Latin1Character(key);
            if (latin1 >= 0) {
                const QString shown = ShownKey(key);
                key = QByteArray(1, char(latin1));
                problems.append({line,
                                 QStringLiteral("the key \"%1\" is written in UTF-8 and is read as that one character")
                                     .arg(shown),
                                 true});
            } else {
                reasons << KeyReason(key);
            }
        }
        const bool arabicBad = DecodeMapText(map.ArabicColumn.at(i)).isEmpty();
        const bool copticBad = DecodeMapText(map.CopticColumn.at(i)).isEmpty();
        if (arabicBad || copticBad)
            reasons << TextReason(arabicBad, copticBad);
        if (!reasons.isEmpty())
            problems.append({line, reasons.join(QStringLiteral("; ")), false});
    }
    return problems;
}

QString MapProblemsMessage(const QString &fileName, const QList<TMapProblem> &problems, int maxListed)
{
    QList<TMapProblem> unusable, mended;
    for (const TMapProblem &problem : problems)
        (problem.usable ? mended : unusable).append(problem);
    QStringList paragraphs;
    if (!unusable.isEmpty())
        paragraphs << QStringLiteral("%1: %2 %3 cannot be used: %4.")
                          .arg(fileName)
                          .arg(unusable.size())
                          .arg(unusable.size() == 1 ? QStringLiteral("entry") : QStringLiteral("entries"))
                          .arg(Listing(unusable, maxListed));
    if (!mended.isEmpty())
        paragraphs << QStringLiteral("%1: %2 %3 read as one character: %4.")
                          .arg(fileName)
                          .arg(mended.size())
                          .arg(mended.size() == 1 ? QStringLiteral("key was") : QStringLiteral("keys were"))
                          .arg(Listing(mended, maxListed));
    return paragraphs.join(QStringLiteral("\n\n"));
}

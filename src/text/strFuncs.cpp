#include "strFuncs.h"

QString CopticUpperLetters;
QString CopticLowerLetters;

void InitCopticCaseTables()
{
    // The 24 pairs of the Coptic block from Alfa to Oou (Sou, U+2C8A/U+2C8B, is left out),
    // then the 7 Coptic letters that live in the Greek block, Shei to Dei.
    QString upper, lower;
    upper.reserve(31);
    lower.reserve(31);
    for (char16_t capital = 0x2C80; capital <= 0x2CB0; capital += 2) {
        if (capital == 0x2C8A)
            continue;
        upper.append(QChar(capital));
        lower.append(QChar(char16_t(capital + 1)));
    }
    for (char16_t capital = 0x03E2; capital <= 0x03EE; capital += 2) {
        upper.append(QChar(capital));
        lower.append(QChar(char16_t(capital + 1)));
    }
    CopticUpperLetters = upper;
    CopticLowerLetters = lower;
}

void SplitByDelimiter(const QByteArray &text, QList<QByteArray> &list, char delimiter)
{
    list.clear();
    qsizetype pieceStart = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i == n || text.at(i) == delimiter) {
            if (i > pieceStart)
                list.append(text.mid(pieceStart, i - pieceStart));
            pieceStart = i + 1;
        }
    }
}

void ReplaceWideChar(QChar from, QChar to, QString &text)
{
    text.replace(from, to);
}

namespace {

QString MapLetters(const QString &text, const QString &fromTable, const QString &toTable)
{
    QString result = text;
    const qsizetype pairs = qMin(fromTable.size(), toTable.size());
    for (qsizetype p = 0; p < pairs; ++p)
        ReplaceWideChar(fromTable.at(p), toTable.at(p), result);
    return result;
}

} // namespace

QString CopticToLower(const QString &text)
{
    return MapLetters(text, CopticUpperLetters, CopticLowerLetters);
}

QString CopticToUpper(const QString &text)
{
    return MapLetters(text, CopticLowerLetters, CopticUpperLetters);
}

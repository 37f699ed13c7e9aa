// Placeholder.
#include "strFuncs.h"
QString CopticUpperLetters;
QString CopticLowerLetters;
void InitCopticCaseTables() {}
void SplitByDelimiter(const QByteArray &, QList<QByteArray> &list, char) { list.clear(); }
void ReplaceWideChar(QChar, QChar, QString &) {}
QString CopticToLower(const QString &t) { return t; }
QString CopticToUpper(const QString &t) { return t; }

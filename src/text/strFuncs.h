#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The Coptic case tables: position p of one is the capital / small form of position p of
// the other (31 pairs, Sou excepted). Set up at program start by InitCopticCaseTables().
extern QString CopticUpperLetters;
extern QString CopticLowerLetters;
void InitCopticCaseTables();

// Empties list, then appends every non-empty piece of text between delimiter bytes.
void SplitByDelimiter(const QByteArray &text, QList<QByteArray> &list, char delimiter);

// Replaces every occurrence of from in text by to, in place.
void ReplaceWideChar(QChar from, QChar to, QString &text);
QString CopticToLower(const QString &text);
QString CopticToUpper(const QString &text);

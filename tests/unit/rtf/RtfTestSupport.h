#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>

class QTextDocument;

namespace rtftest {

// Reads a file of the test data folder.
QByteArray testData(const QString &name);

// The document's text with paragraphs as '\n' and line breaks as '\n'.
QString plainText(const QTextDocument &doc);

// One line per run: "text|family|size|colour|biusc" where colour is "auto" or
// #rrggbb and the flags show b, i, u, s and c (charset) when set; paragraphs
// as "¶ align li fi ri list". Used to compare documents attribute by attribute.
QString describe(const QTextDocument &doc);

// Document from RTF bytes through the public load function.
void load(const QByteArray &rtf, QTextDocument &doc, QTextCharFormat *defaultFormat = nullptr);

} // namespace rtftest

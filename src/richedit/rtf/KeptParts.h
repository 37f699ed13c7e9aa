#pragma once

#include "RtfSink.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QStringList>

class QTextDocument;

namespace rtf {

// What a document read from RTF holds beyond its text: the groups and words that
// nothing shows but that are written back as they were read (information,
// style sheet, headers and footers, page set-up), the file's own font and colour
// tables that their numbers refer to, and the names of what could not be kept.
struct KeptParts
{
    QList<QByteArray> groups; // byte for byte, "{...}", in the order read
    QByteArray words;         // page set-up control words, e.g. "\paperw12240\margl1440"
    QList<RtfFontEntry> fonts;
    QList<RtfColorEntry> colors;
    QStringList dropped;      // "OLE object", "footnote" ...
    int codePage = 1252;      // \ansicpg of the file: the page of 8-bit bytes in the groups

    bool isEmpty() const { return groups.isEmpty() && words.isEmpty() && dropped.isEmpty(); }
};

// The parts kept with a document (empty for a document not read from RTF).
KeptParts keptParts(const QTextDocument &doc);
void setKeptParts(QTextDocument &doc, const KeptParts &parts);

} // namespace rtf

Q_DECLARE_METATYPE(rtf::KeptParts)

#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>

class QTextCursor;
class QTextDocument;

// The document file format of the editor: RTF in and out, plain text in.
// Pure QtGui: no widgets.
namespace rtf {

// Custom QTextCharFormat property holding the RTF/Windows character set of a run
// (0 ANSI, 1 default, 2 symbol, 178 Arabic, ...). Absent means 1 (default).
constexpr int CharsetProperty = QTextFormat::UserProperty + 1;
// Custom QTextCharFormat property marking the automatic text colour (\cf0):
// a run with this property set to true has no explicit colour.
constexpr int AutoColorProperty = QTextFormat::UserProperty + 2;

// True when the bytes begin with "{\rtf" (the content decides, never the file name).
bool looksLikeRtf(const QByteArray &data);

// Parses RTF and inserts the rich text at the cursor (replacing its selection).
// Never throws on bad input: whatever can be read is kept.
void insertRtf(const QByteArray &data, QTextCursor &cursor);

// Replaces the whole content of doc by the bytes: RTF when they look like RTF,
// else plain text (UTF-8 when valid, a BOM dropped; else Windows-1252).
// defaultFormat receives the document's default character attributes when the
// RTF names them (may be null).
void loadDocument(const QByteArray &data, QTextDocument *doc, QTextCharFormat *defaultFormat = nullptr);

// Writes the whole document as RTF. defaultFormat: the attributes new text takes.
QByteArray writeRtf(const QTextDocument &doc, const QTextCharFormat &defaultFormat = QTextCharFormat());

// File level, with the user-visible errors (EKalveroError):
//  "Cannot open file \"%s\". %s" when the file cannot be read,
//  "Failed to Load Stream" when the content can be read as neither RTF nor text.
void loadFile(const QString &path, QTextDocument *doc, QTextCharFormat *defaultFormat = nullptr);
//  "Cannot create file \"%s\". %s" when it cannot be written; the old file is left
//  exactly as it was (written to a temporary file, then renamed over it).
void saveFile(const QString &path, const QTextDocument &doc, const QTextCharFormat &defaultFormat = QTextCharFormat());

} // namespace rtf

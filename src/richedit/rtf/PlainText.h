#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

class QTextDocument;

namespace rtf {

// Text of a file that is not RTF. A byte-order mark says UTF-16 (little or big end first) or
// UTF-8; without one, UTF-8 when the bytes are valid UTF-8, else the encoding the detector
// names, else Windows-1252. Line ends (CR LF, LF, CR) become '\n'; NUL characters are dropped.
QString decodePlainText(const QByteArray &bytes);

// The direction of text by its first strong character (a letter of a left-to-right or a
// right-to-left script), as browsers choose it for dir=auto; left to right when it has none.
Qt::LayoutDirection firstStrongDirection(QStringView text);

// Gives every paragraph of doc whose first strong character is right-to-left that direction
// and right alignment; the other paragraphs are left as they are.
void setDirectionsFromText(QTextDocument *doc);

// The encoding uchardet names for the bytes (upper case, for example "WINDOWS-1256"), or an
// empty name when it names none.
QByteArray detectEncoding(const QByteArray &bytes);

} // namespace rtf

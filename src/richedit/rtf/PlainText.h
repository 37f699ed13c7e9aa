#pragma once

#include <QByteArray>
#include <QString>
#include <Qt>

#include <functional>

class QIODevice;
class QTextCharFormat;
class QTextDocument;

namespace rtf {

// Text of a file that is not RTF. A byte-order mark says UTF-16 (little or big end first) or
// UTF-8; without one, UTF-8 when the bytes are valid UTF-8, else the encoding the detector
// names, else Windows-1252. Line ends (CR LF, LF, CR) become '\n'; NUL characters are dropped;
// see replaceDocumentMarks for the rest.
QString decodePlainText(const QByteArray &bytes);

// Replaces the content of doc by the text of a file that is not RTF, read from the device's
// current position to its end a piece at a time, decoded and with line ends made '\n' exactly
// as decodePlainText does, in the given character format; paragraph directions follow
// setDirectionsFromText. Neither the whole file nor its whole decoded text is ever held
// apart from the document. progress (may be empty) is called after each piece with the bytes
// read so far and may throw to stop. Returns false when the device failed to read.
bool loadPlainText(QIODevice &device, QTextDocument *doc, const QTextCharFormat &format,
                   const std::function<void(qint64 bytesRead)> &progress = {});

// The direction of text by its first strong character (a letter of a left-to-right or a
// right-to-left script), as browsers choose it for dir=auto; left to right when it has none.
Qt::LayoutDirection firstStrongDirection(QStringView text);

// Gives every paragraph of doc whose first strong character is right-to-left that direction
// and right alignment; the other paragraphs are left as they are.
void setDirectionsFromText(QTextDocument *doc);

// The text as a document can hold it: the document's own marks of frames and pictures
// (U+FDD0, U+FDD1, U+FFFC) and surrogates without their partner become U+FFFD, as the RTF
// reader reads them. Plain text read from files or given to Replace selection goes through it
// (a paste turns the picture mark into U+FFFD where no picture stands behind it).
void replaceDocumentMarks(QString &text);

// The encoding uchardet names for the bytes (upper case, for example "WINDOWS-1256"), or an
// empty name when it names none.
QByteArray detectEncoding(const QByteArray &bytes);

} // namespace rtf

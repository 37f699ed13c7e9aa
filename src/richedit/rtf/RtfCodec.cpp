// Placeholder: plain text only until the RTF reader and writer land.
#include "RtfCodec.h"
#include <QTextCursor>
#include <QTextDocument>
namespace rtf {
bool looksLikeRtf(const QByteArray &data) { return data.startsWith("{\\rtf"); }
void insertRtf(const QByteArray &, QTextCursor &) {}
void loadDocument(const QByteArray &data, QTextDocument *doc, QTextCharFormat *) { doc->setPlainText(QString::fromUtf8(data)); }
QByteArray writeRtf(const QTextDocument &doc, const QTextCharFormat &) { return doc.toPlainText().toUtf8(); }
void loadFile(const QString &, QTextDocument *, QTextCharFormat *) {}
void saveFile(const QString &, const QTextDocument &, const QTextCharFormat &) {}
}

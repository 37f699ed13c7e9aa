// Loads arbitrary bytes as a file that is not RTF. Checks: the text holds no CR and no NUL;
// valid UTF-8 keeps every character (a leading byte-order mark dropped), anything else gives one
// character per byte that is neither CR nor NUL (Windows-1252), but for CR LF pairs; and the
// document that the load fills holds that text.
#include "PlainText.h"
#include "RtfCodec.h"

#include <QGuiApplication>
#include <QStringDecoder>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (rtf::looksLikeRtf(bytes))
        return 0; // the RTF reader has its own target
    const QString text = rtf::decodePlainText(bytes);
    if (text.contains(QLatin1Char('\r')) || text.contains(QChar(0)))
        abort();

    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString expected = utf8.decode(body);
    if (utf8.hasError()) {
        // One character per byte: count what must survive.
        qsizetype kept = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == 0 || (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
                continue;
            ++kept;
        }
        if (text.size() != kept)
            abort();
    } else {
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        expected.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        expected.remove(QChar(0));
        if (text != expected)
            abort();
    }

    QTextDocument doc;
    rtf::loadDocument(bytes, &doc);
    // The document's own paragraph breaks stand for the line ends; other separators are its own.
    QString shown = doc.toRawText();
    shown.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QString loaded = text;
    loaded.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (shown != loaded)
        abort();
    return 0;
}

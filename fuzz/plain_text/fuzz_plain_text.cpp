// Loads arbitrary bytes as a file that is not RTF. Checks: the text holds no CR, no NUL, none of
// the document's marks of frames and pictures and no surrogate without its partner;
// valid UTF-8 keeps every character (a leading byte-order mark dropped), bytes the detector takes
// for Windows-1252 (or names nothing for) give one character per byte that is neither CR nor NUL,
// but for CR LF pairs (other encodings it names, and UTF-16 after its mark, are compared only
// with the whole-file read); and the
// document that the load fills holds that text; and reading the bytes as a file is read, a piece
// at a time, gives the same document whatever the pieces (sizes from 1 byte up, so characters,
// byte-order marks and CR LF pairs are cut at every place).
#include "PlainText.h"
#include "RtfCodec.h"

#include <QGuiApplication>
#include <QIODevice>
#include <QStringDecoder>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

namespace {

// The bytes of a file that come in pieces of a few bytes each, as a slow device gives them.
class ShortReads : public QIODevice
{
public:
    ShortReads(QByteArray bytes, qint64 step) : m_bytes(std::move(bytes)), m_step(step) {}
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = qMin(qMin(maxSize, m_step), m_bytes.size() - pos());
        if (n <= 0)
            return 0;
        memcpy(data, m_bytes.constData() + pos(), size_t(n));
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_step;
};

} // namespace

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
    if (text.contains(QLatin1Char('\r')) || text.contains(QChar(0)) || text.contains(QChar::ObjectReplacementCharacter)
        || text.contains(QChar(0xFDD0)) || text.contains(QChar(0xFDD1)))
        abort();
    // Every surrogate has its partner: a lone one is no character and no save writes it back.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            abort();
    }

    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString expected = utf8.decode(body);
    const QByteArray named = rtf::detectEncoding(bytes);
    const bool singleByte = named.isEmpty() || named == "ASCII" || named == "ISO-8859-1" || named == "WINDOWS-1252";
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"); // a byte-order mark says so
    if (utf16) {
        // UTF-16: the pieces below must give what the whole file gives.
    } else if (utf8.hasError() && singleByte) {
        // Windows-1252, one character per byte: count what must survive.
        qsizetype kept = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == 0 || (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
                continue;
            ++kept;
        }
        if (text.size() != kept)
            abort();
    } else if (!utf8.hasError()) {
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

    ShortReads file(bytes, 1 + (size > 0 ? data[size - 1] % 7 : 0));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        abort();
    QTextDocument pieces;
    if (!rtf::loadPlainText(file, &pieces, QTextCharFormat()) || pieces.toRawText() != doc.toRawText())
        abort();
    return 0;
}

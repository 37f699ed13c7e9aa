#include "PlainText.h"

#include "CodePage.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <uchardet.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <type_traits>

namespace rtf {

namespace {

// U+FDD0 and U+FDD1 (not characters; no text should hold them) are the document's own marks
// of a frame's start and end, and U+FFFC of a picture: inserted as they are, the first two
// became paragraph breaks, and the last stood for a picture with none behind it (read from
// RTF it is U+FFFD, as here).
bool isDocumentMark(QChar c)
{
    return c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1 || c == QChar::ObjectReplacementCharacter;
}

constexpr char16_t kReplacement = 0xFFFD;

// Line ends as the document has them (CR LF and CR become LF), NULs gone, the document's marks
// replaced.
QString normaliseLineEnds(QString text)
{
    replaceDocumentMarks(text);
    bool clean = true;
    for (const QChar c : text) {
        if (c == u'\r' || c.unicode() == 0) {
            clean = false;
            break;
        }
    }
    if (clean)
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out.append(u'\n');
            if (i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
        } else if (c.unicode() != 0) {
            out.append(c);
        }
    }
    return out;
}

// Bytes the decoder holds back as the start of a character still to come (its state is
// protected: reached through a member pointer taken in a subclass).
struct DecoderState : QStringDecoder
{
    static qsizetype pendingBytes(const QStringDecoder &decoder) { return (decoder.*(&DecoderState::state)).remainingChars; }
};

QString decodeWith(QStringDecoder::Encoding encoding, QByteArrayView bytes,
                   QStringDecoder::Flags flags = QStringDecoder::Flag::Stateless)
{
    QStringDecoder decoder(encoding, flags);
    return decoder.decode(bytes);
}

// A decoder drops U+FEFF at the start of what it is given as a byte-order mark: only the
// file's first piece may begin with one; in a later piece it is a character of the text.
QStringDecoder::Flags pieceFlags(bool first)
{
    return first ? QStringDecoder::Flags(QStringDecoder::Flag::Stateless)
                 : QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
}

// Pieces a plain-text file is read in: small enough for the window to answer between two,
// large enough that the per-piece cost does not show.
constexpr qint64 kPieceBytes = 1 << 20;

enum class PieceEncoding { Utf8, Utf16LE, Utf16BE, Windows1252, Named };

// How many bytes at the start of a piece of n bytes (not the file's last) end on a character
// boundary; the rest goes to the next piece, so every piece decodes on its own exactly as
// the whole file would.
qsizetype completeUtf8(const char *bytes, qsizetype n)
{
    for (qsizetype i = n - 1; i >= 0 && i >= n - 4; --i) {
        const uchar c = uchar(bytes[i]);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte: look for its lead
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return i + length > n ? i : n;
    }
    return n;
}

qsizetype completeUtf16(const char *bytes, qsizetype n, bool littleEndian)
{
    n &= ~qsizetype(1);
    if (n < 2)
        return n;
    const uchar high = uchar(bytes[littleEndian ? n - 1 : n - 2]);
    return (high & 0xFC) == 0xD8 ? n - 2 : n; // a high surrogate waits for its low one
}

// Appends pieces of decoded text to a document with line ends made '\n' and NULs dropped;
// a CR at the end of one piece and an LF at the start of the next are one line end.
class PieceWriter
{
public:
    PieceWriter(QTextDocument *doc, const QTextCharFormat &format) : m_cursor(doc), m_format(format)
    {
        // One edit for the whole text: the document tells its layout once, not per piece.
        m_cursor.beginEditBlock();
        if (!m_format.isEmpty())
            m_cursor.setBlockCharFormat(m_format);
    }
    ~PieceWriter() { m_cursor.endEditBlock(); }
    PieceWriter(const PieceWriter &) = delete;
    PieceWriter &operator=(const PieceWriter &) = delete;

    void append(QString piece)
    {
        replaceDocumentMarks(piece);
        QChar *out = piece.data();
        const QChar *in = piece.constData();
        const QChar *end = in + piece.size();
        QChar *write = out;
        for (; in != end; ++in) {
            const QChar c = *in;
            if (c == u'\n' && m_afterCr) {
                m_afterCr = false;
                continue;
            }
            m_afterCr = c == u'\r';
            if (c.unicode() != 0)
                *write++ = m_afterCr ? QChar(u'\n') : c;
        }
        piece.truncate(write - out);
        if (!piece.isEmpty())
            m_cursor.insertText(piece, m_format);
    }

private:
    QTextCursor m_cursor;
    QTextCharFormat m_format;
    bool m_afterCr = false;
};

// Reads the device from `start` to its end through decode(bytes, n, last), which decodes the
// complete characters at the start of bytes and says how many bytes it used.
template <typename Decode>
bool readPieces(QIODevice &device, qint64 start, const std::function<void(qint64)> &progress, Decode decode)
{
    if (!device.seek(start))
        return false;
    QByteArray buffer;
    qsizetype kept = 0; // bytes of an unfinished character carried to the next piece
    qint64 done = start;
    for (;;) {
        buffer.resize(kept + kPieceBytes);
        const qint64 got = device.read(buffer.data() + kept, kPieceBytes);
        if (got < 0)
            return false;
        const qsizetype have = kept + qsizetype(got);
        const bool last = got == 0 || device.atEnd();
        const qsizetype used = decode(buffer.constData(), have, last);
        kept = have - used;
        std::memmove(buffer.data(), buffer.constData() + used, size_t(kept));
        done += got;
        if (progress)
            progress(done);
        if (last)
            return true;
    }
}

} // namespace

namespace {

bool readPlainText(QIODevice &device, QTextDocument *doc, const QTextCharFormat &format,
                   const std::function<void(qint64)> &progress)
{
    const qint64 start = device.pos();
    // The byte-order mark, however few bytes a read gives (the pieces seek back to the start).
    QByteArray head;
    while (head.size() < 3) {
        const QByteArray more = device.read(3 - head.size());
        if (more.isEmpty())
            break;
        head += more;
    }
    qint64 skip = 0;
    PieceEncoding encoding = PieceEncoding::Utf8;
    if (head.startsWith("\xFF\xFE")) {
        encoding = PieceEncoding::Utf16LE;
        skip = 2;
    } else if (head.startsWith("\xFE\xFF")) {
        encoding = PieceEncoding::Utf16BE;
        skip = 2;
    } else if (head.startsWith("\xEF\xBB\xBF")) {
        skip = 3;
    }

    if (encoding != PieceEncoding::Utf8) {
        const bool little = encoding == PieceEncoding::Utf16LE;
        PieceWriter writer(doc, format);
        bool first = true;
        return readPieces(device, start + skip, progress, [&](const char *bytes, qsizetype n, bool last) {
            const qsizetype used = last ? n : completeUtf16(bytes, n, little);
            const qsizetype whole = used & ~qsizetype(1);
            QString piece = decodeWith(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                                       QByteArrayView(bytes, whole), pieceFlags(first));
            first = first && whole == 0;
            // A lone byte at the end reads as one broken character, as in the whole file (the
            // decoder gives nothing for a piece of just that byte).
            if (used % 2 != 0)
                piece += QChar(QChar::ReplacementCharacter);
            writer.append(std::move(piece));
            return used;
        });
    }

    // UTF-8 while every piece is valid UTF-8.
    bool valid = true;
    {
        PieceWriter writer(doc, format);
        bool first = true;
        const bool read = readPieces(device, start + skip, progress, [&](const char *bytes, qsizetype n, bool last) {
            if (!valid)
                return n;
            const qsizetype used = last ? n : completeUtf8(bytes, n);
            QStringDecoder utf8(QStringDecoder::Utf8, pieceFlags(first));
            QString piece = utf8.decode(QByteArrayView(bytes, used));
            first = first && used == 0;
            if (utf8.hasError()) {
                valid = false; // the rest is only read to its end
                return n;
            }
            writer.append(std::move(piece));
            return used;
        });
        if (!read)
            return false;
    }
    if (valid)
        return true;

    // Not UTF-8: the detector, fed the whole file a piece at a time, names the encoding.
    // Latin-1 and ASCII are read as Windows-1252, their superset in every file that says one.
    doc->clear();
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                          &uchardet_delete);
    bool detectorOk = bool(detector);
    // The detector sees the bytes in pieces of a whole piece's size, however the device hands
    // them out: its guess depends on how it is fed, and must be the one the whole file gives
    // when the file fits one piece.
    QByteArray sample;
    if (!readPieces(device, start, {}, [&](const char *bytes, qsizetype n, bool last) {
            sample.append(bytes, n);
            if (sample.size() >= kPieceBytes || last) {
                if (detectorOk && uchardet_handle_data(detector.get(), sample.constData(), size_t(sample.size())) != 0)
                    detectorOk = false;
                sample.clear();
            }
            return n;
        }))
        return false;
    QByteArray name;
    if (detectorOk) {
        uchardet_data_end(detector.get());
        const char *charset = uchardet_get_charset(detector.get());
        name = charset ? QByteArray(charset).toUpper() : QByteArray();
    }
    QStringDecoder detected(name.constData());
    PieceWriter writer(doc, format);
    if (name.isEmpty() || name == "ASCII" || name == "ISO-8859-1" || name == "WINDOWS-1252" || !detected.isValid()) {
        return readPieces(device, start, progress, [&](const char *bytes, qsizetype n, bool) {
            QString piece;
            codepage::decode(1252, bytes, n, piece);
            writer.append(std::move(piece));
            return n;
        });
    }
    // A piece is decoded up to its last line feed, which no multi-byte encoding the detector
    // names uses inside a character, and the rest waits for the next piece: a broken sequence
    // at a piece's end then reads as it does in the whole file (a stateful decoder swallows the
    // byte after it). UTF-16 and UTF-32 keep the decoder's state from piece to piece instead.
    if (name.startsWith("UTF-16") || name.startsWith("UTF-32")) {
        const qint64 unit = name.startsWith("UTF-16") ? 2 : 4;
        qint64 fed = 0;
        return readPieces(device, start, progress, [&](const char *bytes, qsizetype n, bool last) {
            QString piece = detected.decode(QByteArrayView(bytes, n));
            fed += n;
            // Bytes of a code unit the file ends in the middle of are one broken character, as
            // when the whole file is decoded at once (which gives nothing for a file shorter
            // than one unit).
            if (last && fed >= unit && DecoderState::pendingBytes(detected) > 0)
                piece += QChar(QChar::ReplacementCharacter);
            writer.append(std::move(piece));
            return n;
        });
    }
    bool first = true;
    return readPieces(device, start, progress, [&](const char *bytes, qsizetype n, bool last) {
        qsizetype used = n;
        if (!last) {
            const auto end = std::find(std::make_reverse_iterator(bytes + n), std::make_reverse_iterator(bytes), '\n');
            used = qsizetype(end.base() - bytes);
        }
        if (used > 0) {
            QStringDecoder lines(name.constData(), pieceFlags(first));
            writer.append(lines.decode(QByteArrayView(bytes, used)));
            first = false;
        }
        return used;
    });
}

} // namespace

bool loadPlainText(QIODevice &device, QTextDocument *doc, const QTextCharFormat &format,
                   const std::function<void(qint64)> &progress)
{
    if (!readPlainText(device, doc, format, progress))
        return false;
    setDirectionsFromText(doc);
    return true;
}

QByteArray detectEncoding(const QByteArray &bytes)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                          &uchardet_delete);
    if (!detector)
        return {};
    if (uchardet_handle_data(detector.get(), bytes.constData(), size_t(bytes.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    const char *name = uchardet_get_charset(detector.get());
    return name ? QByteArray(name).toUpper() : QByteArray();
}

// Qt's UTF-16 decoders pass a surrogate without its partner through, and its UTF-32 decoder
// makes them of values that are no characters; no save could write one back.
void replaceDocumentMarks(QString &text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate() || isDocumentMark(c))
            text[i] = QChar(kReplacement);
    }
}

QString decodePlainText(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    QString text;
    if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        const QByteArrayView units = view.sliced(2);
        text = decodeWith(view[0] == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                          units.first(units.size() & ~qsizetype(1)));
        if (units.size() % 2 != 0)
            text += QChar(QChar::ReplacementCharacter); // a lone last byte: one broken character
    } else {
        if (view.startsWith("\xEF\xBB\xBF"))
            view = view.sliced(3);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(view);
        if (utf8.hasError()) {
            text.clear();
            // Not UTF-8: the detector names the encoding. Latin-1 and ASCII are read as
            // Windows-1252, their superset in every file that says one of them.
            const QByteArray name = detectEncoding(bytes);
            QStringDecoder detected(name.constData(), QStringDecoder::Flag::Stateless);
            if (name.isEmpty() || name == "ASCII" || name == "ISO-8859-1" || name == "WINDOWS-1252"
                || !detected.isValid())
                codepage::decode(1252, bytes.constData(), bytes.size(), text);
            else
                text = detected.decode(bytes);
        }
    }
    return normaliseLineEnds(text);
}

Qt::LayoutDirection firstStrongDirection(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirL:
            return Qt::LeftToRight;
        case QChar::DirR:
        case QChar::DirAL:
            return Qt::RightToLeft;
        default:
            break;
        }
    }
    return Qt::LeftToRight;
}

void setDirectionsFromText(QTextDocument *doc)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (firstStrongDirection(block.text()) != Qt::RightToLeft)
            continue;
        QTextBlockFormat format;
        format.setLayoutDirection(Qt::RightToLeft);
        format.setAlignment(Qt::AlignRight);
        QTextCursor(block).mergeBlockFormat(format);
    }
}

} // namespace rtf

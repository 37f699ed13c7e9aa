#include "PlainText.h"

#include "CodePage.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <uchardet.h>

#include <memory>
#include <type_traits>

namespace rtf {

namespace {

QString normaliseLineEnds(const QString &text)
{
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

QString decodeWith(QStringDecoder::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

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

QString decodePlainText(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    QString text;
    if (view.startsWith("\xFF\xFE")) {
        text = decodeWith(QStringDecoder::Utf16LE, view.sliced(2));
    } else if (view.startsWith("\xFE\xFF")) {
        text = decodeWith(QStringDecoder::Utf16BE, view.sliced(2));
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

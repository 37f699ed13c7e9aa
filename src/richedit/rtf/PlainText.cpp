#include "PlainText.h"

#include "CodePage.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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

} // namespace

QString decodePlainText(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (utf8.hasError()) {
        text.clear();
        codepage::decode(1252, bytes.constData(), bytes.size(), text);
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

#include "DocumentBuilder.h"

#include "RtfCodec.h"

#include <QColor>
#include <QTextBlock>
#include <QTextList>

namespace rtf {

namespace {

// Characters that QTextCursor::insertText would turn into paragraph or frame
// breaks, or that cannot stand in text.
bool needsCleaning(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 ? (u == 0 || u == u'\r' || u == u'\n')
                     : (u >= 0x2029 && (u == 0x2029 || u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC)))
            return true;
    }
    return false;
}

QString cleaned(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0:
        case u'\r':
        case u'\n':
            break;
        case 0x2029:
            out.append(QChar(0x2028));
            break;
        case 0xFDD0:
        case 0xFDD1:
        case 0xFFFC:
            out.append(QChar(0xFFFD));
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

QTextListFormat::Style listStyle(RtfListStyle style)
{
    switch (style) {
    case RtfListStyle::Disc: return QTextListFormat::ListDisc;
    case RtfListStyle::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case RtfListStyle::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case RtfListStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case RtfListStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDecimal;
    }
}

} // namespace

size_t qHash(const RtfCharFormat &f, size_t seed)
{
    const uint flags = uint(f.bold) | uint(f.italic) << 1 | uint(f.underline) << 2 | uint(f.strikeOut) << 3
                     | uint(f.autoColor) << 4;
    return qHashMulti(seed, f.family, f.charset, f.halfPoints, f.autoColor ? 0u : uint(f.color), flags);
}

DocumentBuilder::DocumentBuilder(QTextCursor &cursor, Mode mode) : m_cursor(cursor), m_mode(mode) {}

QTextCharFormat DocumentBuilder::toCharFormat(const RtfCharFormat &f)
{
    QTextCharFormat cf;
    if (!f.family.isEmpty()) {
        // The single family too, as the control's own face setter writes it: QTextDocument
        // hashes formats by their properties and a string list hashes by its type alone, so
        // without it every font of a file would share one hash bucket (quadratic in fonts).
        cf.setFontFamilies(QStringList{f.family});
        cf.setProperty(QTextFormat::FontFamily, f.family);
    }
    cf.setFontPointSize(f.halfPoints / 2.0);
    if (f.autoColor)
        cf.setProperty(AutoColorProperty, true);
    else
        cf.setForeground(QColor::fromRgb(qRed(f.color), qGreen(f.color), qBlue(f.color)));
    cf.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    cf.setFontItalic(f.italic);
    cf.setFontUnderline(f.underline);
    cf.setFontStrikeOut(f.strikeOut);
    if (f.charset >= 0)
        cf.setProperty(CharsetProperty, f.charset);
    return cf;
}

QTextBlockFormat DocumentBuilder::toBlockFormat(const RtfParaFormat &p)
{
    QTextBlockFormat bf;
    switch (p.alignment) {
    case RtfAlignment::Left: bf.setAlignment(Qt::AlignLeft); break;
    case RtfAlignment::Right: bf.setAlignment(Qt::AlignRight); break;
    case RtfAlignment::Center: bf.setAlignment(Qt::AlignHCenter); break;
    case RtfAlignment::Justify: bf.setAlignment(Qt::AlignJustify); break;
    }
    if (p.rightToLeft)
        bf.setLayoutDirection(Qt::RightToLeft);
    // 1 point = 20 twips = 4/3 pixels.
    bf.setLeftMargin(p.leftIndent / 15.0);
    bf.setTextIndent(p.firstIndent / 15.0);
    bf.setRightMargin(p.rightIndent / 15.0);
    return bf;
}

const QTextCharFormat &DocumentBuilder::charFormat(const RtfCharFormat &format)
{
    if (m_lastValid && format == m_lastKey)
        return m_lastFormat;
    auto it = m_charFormats.find(format);
    if (it == m_charFormats.end())
        it = m_charFormats.insert(format, toCharFormat(format));
    m_lastKey = format;
    m_lastFormat = *it;
    m_lastValid = true;
    return m_lastFormat;
}

void DocumentBuilder::openParagraph()
{
    if (m_open)
        return;
    if (!m_first)
        m_cursor.insertBlock();
    m_first = false;
    m_open = true;
    m_paragraphHasText = false;
}

void DocumentBuilder::text(const QString &text, const RtfCharFormat &format)
{
    openParagraph();
    m_paragraphHasText = true;
    if (needsCleaning(text))
        m_cursor.insertText(cleaned(text), charFormat(format));
    else
        m_cursor.insertText(text, charFormat(format));
}

void DocumentBuilder::applyList(const RtfParaFormat &para)
{
    const QTextBlock block = m_cursor.block();
    QTextList *current = block.textList();
    QTextList *wanted = nullptr;
    if (para.list != RtfListStyle::None) {
        if (para.listSpansDocument)
            wanted = m_documentLists.value(para.listKey);
        else if (m_previousList && m_previousListKey == para.listKey)
            wanted = m_previousList;
    }
    if (current && current != wanted)
        current->remove(block);
    if (para.list != RtfListStyle::None) {
        if (!wanted) {
            QTextListFormat lf;
            lf.setStyle(listStyle(para.list));
            lf.setIndent(0);
            wanted = m_cursor.createList(lf);
            if (para.listSpansDocument)
                m_documentLists.insert(para.listKey, wanted);
        } else if (m_cursor.block().textList() != wanted) {
            wanted->add(m_cursor.block());
        }
    }
    m_previousList = wanted;
    m_previousListKey = para.listKey;
}

void DocumentBuilder::paragraph(const RtfParaFormat &para, const RtfCharFormat &format)
{
    openParagraph();
    if (!m_paragraphHasText && m_cursor.block().length() == 1)
        m_cursor.setBlockCharFormat(charFormat(format));
    m_cursor.setBlockFormat(toBlockFormat(para));
    applyList(para);
    m_open = false;
}

void DocumentBuilder::finish(const RtfParaFormat &para, const RtfCharFormat &format, bool openParagraph)
{
    if (m_mode == Mode::WholeDocument && (openParagraph || m_first))
        paragraph(para, format);
}

void DocumentBuilder::defaultFormat(const RtfCharFormat &format)
{
    m_hasDefault = true;
    m_default = toCharFormat(format);
}

} // namespace rtf

#include "RtfWriter.h"

#include "RtfCodec.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace rtf {

namespace {

constexpr int MaxHalfPoints = 3276;

void appendInt(QByteArray &out, int value)
{
    char buf[16];
    char *p = buf + sizeof buf;
    unsigned v = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
        *--p = char('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0)
        *--p = '-';
    out.append(p, buf + sizeof buf - p);
}

int toTwips(qreal pixels)
{
    // 1 pixel = 15 twips; values are kept exact when they came from twips.
    return int(qBound(-2.0e9, std::round(pixels * 15.0), 2.0e9));
}

bool hasRightToLeft(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x0590 && u <= 0x08FF) || (u >= 0xFB1D && u <= 0xFDFF) || (u >= 0xFE70 && u <= 0xFEFF))
            return true;
    }
    return false;
}

// Bullet styles are written as rich-edit bullets; numbered ones as numbering.
bool isBullet(int style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
        || style == QTextListFormat::ListSquare;
}

QString familyOf(const QTextCharFormat &format)
{
    const QVariant families = format.property(QTextFormat::FontFamilies);
    if (families.isValid()) {
        const QStringList list = families.toStringList();
        if (!list.isEmpty() && !list.first().isEmpty())
            return list.first();
    }
    const QString family = format.property(QTextFormat::FontFamily).toString();
    return family;
}

} // namespace

RtfWriter::RtfWriter(const QTextDocument &doc, const QTextCharFormat &defaultFormat)
    : m_doc(doc), m_defaultFormat(defaultFormat)
{
    m_defaultFamily = familyOf(defaultFormat);
    if (m_defaultFamily.isEmpty())
        m_defaultFamily = doc.defaultFont().family();
    const QVariant charset = defaultFormat.property(CharsetProperty);
    if (charset.isValid())
        m_defaultCharset = charset.toInt();
    if (defaultFormat.fontPointSize() > 0)
        m_defaultPointSize = defaultFormat.fontPointSize();
    else if (doc.defaultFont().pointSizeF() > 0)
        m_defaultPointSize = doc.defaultFont().pointSizeF();
    fontId(m_defaultFamily, m_defaultCharset); // font 0: \deff
    m_colors.push_back(0);
    m_current.font = 0;
}

int RtfWriter::fontId(const QString &family, int charset)
{
    const FontKey key{family, charset};
    const auto it = m_fontIds.constFind(key);
    if (it != m_fontIds.cend())
        return *it;
    const int id = int(m_fonts.size());
    m_fonts.push_back(key);
    m_fontIds.insert(key, id);
    return id;
}

int RtfWriter::colorId(QRgb rgb)
{
    rgb |= 0xFF000000u;
    const auto it = m_colorIds.constFind(rgb);
    if (it != m_colorIds.cend())
        return *it;
    const int id = int(m_colors.size());
    m_colors.push_back(rgb);
    m_colorIds.insert(rgb, id);
    return id;
}

RtfWriter::CharProps RtfWriter::propsOf(const QTextCharFormat &format)
{
    CharProps p;
    QString family = familyOf(format);
    if (family.isEmpty())
        family = m_defaultFamily;
    const QVariant charset = format.property(CharsetProperty);
    p.font = fontId(family, charset.isValid() ? charset.toInt() : (familyOf(format).isEmpty() ? m_defaultCharset : 1));
    const qreal size = format.fontPointSize() > 0 ? format.fontPointSize() : m_defaultPointSize;
    p.halfPoints = qBound(1, int(std::lround(size * 2)), MaxHalfPoints);
    const bool automatic = format.property(AutoColorProperty).toBool();
    if (!automatic && format.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = format.foreground();
        if (brush.style() != Qt::NoBrush)
            p.color = colorId(brush.color().rgb());
    }
    p.bold = format.fontWeight() >= QFont::Bold;
    p.italic = format.fontItalic();
    p.underline = format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline;
    p.strikeOut = format.fontStrikeOut();
    return p;
}

const RtfWriter::CharProps &RtfWriter::propsOfIndex(int formatIndex)
{
    auto it = m_propsByIndex.find(formatIndex);
    if (it == m_propsByIndex.end()) {
        if (m_allFormats.isEmpty())
            m_allFormats = m_doc.allFormats();
        const QTextCharFormat format = m_allFormats.value(formatIndex).toCharFormat();
        it = m_propsByIndex.insert(formatIndex, propsOf(format));
    }
    return *it;
}

RtfWriter::ParaProps RtfWriter::paraOf(const QTextBlock &block) const
{
    const QTextBlockFormat bf = block.blockFormat();
    ParaProps p;
    const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        p.alignment = 3;
    else if (a & Qt::AlignHCenter)
        p.alignment = 2;
    else if (a & (Qt::AlignRight | Qt::AlignTrailing))
        p.alignment = (a & Qt::AlignLeft) ? 0 : 1;
    p.leftIndent = toTwips(bf.leftMargin());
    p.rightIndent = toTwips(bf.rightMargin());
    p.firstIndent = toTwips(bf.textIndent());
    if (const QTextList *list = block.textList())
        p.list = list->format().style();
    p.rightToLeft = bf.layoutDirection() == Qt::RightToLeft;
    return p;
}

void RtfWriter::writeWord(const char *word)
{
    m_out.append('\\');
    m_out.append(word);
    m_needDelimiter = true;
}

void RtfWriter::writeWord(const char *word, int param)
{
    m_out.append('\\');
    m_out.append(word);
    appendInt(m_out, param);
    m_needDelimiter = true;
}

// Arabic and Hebrew runs carry their face, size, bold and italic twice: as
// associated properties after \rtlch too, which Word and LibreOffice use for
// right-to-left script.
void RtfWriter::switchTo(const CharProps &p, bool rightToLeft)
{
    if (rightToLeft) {
        const bool assocChanged = !m_associatedValid || p.font != m_associated.font
                               || p.halfPoints != m_associated.halfPoints || p.bold != m_associated.bold
                               || p.italic != m_associated.italic;
        if (!m_rightToLeft || assocChanged) {
            writeWord("rtlch");
            if (!m_associatedValid || p.font != m_associated.font)
                writeWord("af", p.font);
            if (!m_associatedValid || p.halfPoints != m_associated.halfPoints)
                writeWord("afs", p.halfPoints);
            if (!m_associatedValid || p.bold != m_associated.bold)
                writeWord(p.bold ? "ab" : "ab0");
            if (!m_associatedValid || p.italic != m_associated.italic)
                writeWord(p.italic ? "ai" : "ai0");
            m_associated = p;
            m_associatedValid = true;
            m_rightToLeft = true;
        }
    } else if (m_rightToLeft) {
        writeWord("ltrch");
        m_rightToLeft = false;
    }
    if (p == m_current)
        return;
    if (p.font != m_current.font)
        writeWord("f", p.font);
    if (p.halfPoints != m_current.halfPoints)
        writeWord("fs", p.halfPoints);
    if (p.color != m_current.color)
        writeWord("cf", p.color);
    if (p.bold != m_current.bold)
        writeWord(p.bold ? "b" : "b0");
    if (p.italic != m_current.italic)
        writeWord(p.italic ? "i" : "i0");
    if (p.underline != m_current.underline)
        writeWord(p.underline ? "ul" : "ulnone");
    if (p.strikeOut != m_current.strikeOut)
        writeWord(p.strikeOut ? "strike" : "strike0");
    m_current = p;
}

void RtfWriter::writeText(const QString &text)
{
    const QChar *c = text.constData();
    const QChar *end = c + text.size();
    for (; c < end; ++c) {
        const char16_t u = c->unicode();
        if (u >= 0x20 && u < 0x7F) {
            if (u == u'\\' || u == u'{' || u == u'}') {
                m_out.append('\\');
            } else if (m_needDelimiter) {
                m_out.append(' ');
            }
            m_needDelimiter = false;
            m_out.append(char(u));
        } else if (u == u'\t') {
            writeWord("tab");
        } else if (u == 0x2028) {
            writeWord("line");
        } else {
            // Signed 16-bit value with an ASCII fallback; characters beyond the
            // BMP are already two UTF-16 units here.
            m_out.append("\\u", 2);
            appendInt(m_out, u >= 0x8000 ? int(u) - 0x10000 : int(u));
            m_out.append('?');
            m_needDelimiter = false;
        }
    }
}

void RtfWriter::writeListLabel(const ParaProps &para, const QTextBlock &block)
{
    m_out.append("{\\pntext");
    if (isBullet(para.list)) {
        m_out.append("\\f");
        appendInt(m_out, m_symbolFont);
        m_out.append("\\'B7\\tab}");
    } else {
        m_out.append("\\f0 ");
        const QTextList *list = block.textList();
        m_needDelimiter = false;
        writeText(list ? list->itemText(block) : QString());
        m_out.append("\\tab}");
    }
    m_needDelimiter = false; // a group just closed: text may follow directly
}

void RtfWriter::writeParaProps(const ParaProps &para, const QTextBlock &block)
{
    m_out.append("\\pard");
    m_needDelimiter = true;
    if (para.list != 0) {
        writeListLabel(para, block);
        if (isBullet(para.list)) {
            m_out.append("{\\*\\pn\\pnlvlblt\\pnf");
            appendInt(m_out, m_symbolFont);
            m_out.append("\\pnindent0{\\pntxtb\\'B7}}");
        } else {
            const char *style = "pndec";
            switch (para.list) {
            case QTextListFormat::ListLowerAlpha: style = "pnlcltr"; break;
            case QTextListFormat::ListUpperAlpha: style = "pnucltr"; break;
            case QTextListFormat::ListLowerRoman: style = "pnlcrm"; break;
            case QTextListFormat::ListUpperRoman: style = "pnucrm"; break;
            default: break;
            }
            m_out.append("{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\");
            m_out.append(style);
            m_out.append("{\\pntxta.}}");
        }
        m_needDelimiter = false;
    }
    // A right-to-left paragraph as LibreOffice writes one: \ql and \qr are physical, \li and
    // \fi belong to the start side (the right) and \ri to the end side; \lin and \rin say the
    // same for readers that take \li as the physical left.
    if (para.rightToLeft)
        writeWord("rtlpar");
    static const char *const alignments[] = {"ql", "qr", "qc", "qj"};
    if (para.alignment != 0 || para.rightToLeft)
        writeWord(alignments[para.alignment]);
    if (para.firstIndent != 0)
        writeWord("fi", para.firstIndent);
    if (para.leftIndent != 0)
        writeWord("li", para.leftIndent);
    if (para.rightIndent != 0)
        writeWord("ri", para.rightIndent);
    if (para.rightToLeft && para.leftIndent != 0)
        writeWord("lin", para.leftIndent);
    if (para.rightToLeft && para.rightIndent != 0)
        writeWord("rin", para.rightIndent);
}

void RtfWriter::writeBlock(const QTextBlock &block)
{
    const ParaProps para = paraOf(block);
    if (para.list != 0 && m_symbolFont < 0)
        m_symbolFont = fontId(QStringLiteral("Symbol"), 2);
    if (m_firstPara || para != m_currentPara) {
        writeParaProps(para, block);
        m_currentPara = para;
        m_firstPara = false;
    } else if (para.list != 0) {
        writeListLabel(para, block);
    }
    bool empty = true;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QString text = fragment.text();
        switchTo(propsOfIndex(fragment.charFormatIndex()), hasRightToLeft(text));
        writeText(text);
        empty = false;
    }
    if (empty)
        switchTo(propsOfIndex(block.charFormatIndex()));
    m_out.append("\\par\r\n");
    m_needDelimiter = false;
}

void RtfWriter::writeFontName(const QString &name)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u';')
            continue;
        if (u >= 0x20 && u < 0x7F) {
            if (u == u'\\' || u == u'{' || u == u'}')
                m_out.append('\\');
            m_out.append(char(u));
        } else {
            m_out.append("\\u", 2);
            appendInt(m_out, u >= 0x8000 ? int(u) - 0x10000 : int(u));
            m_out.append('?');
        }
    }
}

QByteArray RtfWriter::header()
{
    QByteArray body;
    body.swap(m_out);
    m_out.reserve(body.size() + 1024);
    m_out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl");
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        m_out.append("{\\f");
        appendInt(m_out, int(i));
        m_out.append("\\fnil\\fcharset");
        appendInt(m_out, m_fonts[i].charset);
        m_out.append(' ');
        writeFontName(m_fonts[i].family);
        m_out.append(";}");
    }
    m_out.append("}\r\n{\\colortbl ;");
    for (size_t i = 1; i < m_colors.size(); ++i) {
        m_out.append("\\red");
        appendInt(m_out, qRed(m_colors[i]));
        m_out.append("\\green");
        appendInt(m_out, qGreen(m_colors[i]));
        m_out.append("\\blue");
        appendInt(m_out, qBlue(m_colors[i]));
        m_out.append(';');
    }
    m_out.append("}\r\n{\\*\\generator Kalvero;}");
    m_out.append(body);
    return m_out;
}

QByteArray RtfWriter::write()
{
    m_out.reserve(qsizetype(m_doc.characterCount() * 1.2) + 256);
    // The attributes new text takes, in a group other readers skip.
    if (!m_defaultFormat.isEmpty()) {
        const CharProps d = propsOf(m_defaultFormat);
        m_out.append("{\\*\\kalverodefault");
        CharProps none;
        none.font = -1;
        m_current = none;
        m_current.halfPoints = -1;
        m_current.color = -1;
        m_current.bold = !d.bold;
        m_current.italic = !d.italic;
        m_current.underline = !d.underline;
        m_current.strikeOut = !d.strikeOut;
        switchTo(d);
        m_out.append('}');
        m_current = CharProps();
        m_current.font = 0;
    }
    m_out.append("\\viewkind4\\uc1");
    m_needDelimiter = true;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next())
        writeBlock(block);
    m_out.append('}');
    return header();
}

} // namespace rtf

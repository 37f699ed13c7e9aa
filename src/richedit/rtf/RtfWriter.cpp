#include "RtfWriter.h"

#include "KeptParts.h"
#include "RtfCodec.h"
#include "RtfSink.h"
#include "RtfTokenizer.h"

#include <QBuffer>
#include <QIODevice>
#include <QImage>
#include <QSet>
#include <QUrl>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextFrame>
#include <QTextTable>

#include <cmath>
#include <cstring>

namespace rtf {

namespace {

constexpr int MaxHalfPoints = 3276;
// What the body is handed to its device in, when it is spilled.
constexpr qsizetype kSpillBytes = 1024 * 1024;
// A run's colour number for an automatic colour that the file gave with a \cf0 of its
// own: written as \cf0 again, where other programs show black.
constexpr int ExplicitAutoColor = -2;

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
    : m_doc(&doc), m_defaultFormat(defaultFormat)
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
    m_current.halfPoints = -1; // the first run says its size: readers differ on the default
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
    } else if (automatic && format.boolProperty(ExplicitAutoColorProperty)) {
        p.color = ExplicitAutoColor;
    }
    p.bold = format.fontWeight() >= QFont::Bold;
    p.italic = format.fontItalic();
    p.underline = format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline;
    if (format.isAnchor() && format.property(LinkUnderlineProperty).toBool())
        p.underline = false; // the underline only showed the link
    p.strikeOut = format.fontStrikeOut();
    const int raise = format.intProperty(RaiseProperty);
    switch (format.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript:
        p.vertical = RtfCharFormat::Super;
        p.raise = raise > 0 ? raise : 0;
        break;
    case QTextCharFormat::AlignSubScript:
        p.vertical = RtfCharFormat::Sub;
        p.raise = raise < 0 ? raise : 0;
        break;
    default:
        break;
    }
    if (p.raise != 0)
        p.vertical = RtfCharFormat::Baseline;
    if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().style() != Qt::NoBrush) {
        const int kind = format.intProperty(BackgroundKindProperty);
        p.background = quint8(kind > 0 ? kind : int(RtfCharFormat::Highlight));
        p.backgroundColor = colorId(format.background().color().rgb());
    }
    if (format.isAnchor() && !format.anchorHref().isEmpty()) {
        QString target = format.anchorHref();
        target.replace(u'\\', QStringLiteral("\\\\"));
        p.field = target.startsWith(u'#') ? QStringLiteral("HYPERLINK \\l \"%1\"").arg(target.mid(1))
                                          : QStringLiteral("HYPERLINK \"%1\"").arg(target);
    } else {
        p.field = format.stringProperty(FieldInstructionProperty);
    }
    if (!p.field.isEmpty())
        p.fieldId = qMax(1, format.intProperty(FieldIdProperty));
    if (m_writeStyles && format.hasProperty(CharStyleProperty))
        p.charStyle = format.intProperty(CharStyleProperty);
    return p;
}

const RtfWriter::CharProps &RtfWriter::propsOfIndex(int formatIndex)
{
    auto it = m_propsByIndex.find(formatIndex);
    if (it == m_propsByIndex.end()) {
        if (m_allFormats.isEmpty())
            m_allFormats = m_doc->allFormats();
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
    p.spaceBefore = qMax(0, toTwips(bf.topMargin()));
    p.spaceAfter = qMax(0, toTwips(bf.bottomMargin()));
    switch (bf.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (bf.lineHeight() > 0) {
            p.lineSpacing = int(std::lround(bf.lineHeight() * 2.4));
            p.lineMultiple = true;
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        p.lineSpacing = qMax(1, toTwips(bf.lineHeight()));
        break;
    case QTextBlockFormat::FixedHeight:
        p.lineSpacing = -qMax(1, toTwips(bf.lineHeight()));
        break;
    default:
        break;
    }
    p.pageBreakBefore = bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
    p.keepTogether = bf.boolProperty(KeepTogetherProperty);
    p.keepWithNext = bf.boolProperty(KeepWithNextProperty);
    for (const QTextFrame *frame = QTextCursor(block).currentFrame(); frame; frame = frame->parentFrame())
        p.tableDepth += qobject_cast<const QTextTable *>(frame) ? 1 : 0;
    if (m_writeStyles && bf.hasProperty(ParaStyleProperty))
        p.style = bf.intProperty(ParaStyleProperty);
    const QVariant stops = bf.property(TabStopsProperty);
    if (stops.isValid()) {
        p.tabs = stops.value<QList<int>>();
    } else {
        for (const QTextOption::Tab &tab : bf.tabPositions()) {
            const int kind = tab.type == QTextOption::RightTab    ? RtfTab::Right
                           : tab.type == QTextOption::CenterTab   ? RtfTab::Center
                           : tab.type == QTextOption::DelimiterTab ? RtfTab::Decimal
                                                                   : RtfTab::Left;
            p.tabs << toTwips(tab.position) << kind << 0;
        }
    }
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

// Attributes that differ from p in everything switchTo writes, so that it writes them all.
RtfWriter::CharProps RtfWriter::unlike(const CharProps &p)
{
    CharProps o = p;
    o.font = -1;
    o.halfPoints = -1;
    o.color = -3; // no colour number, nor the automatic one said outright
    o.bold = !p.bold;
    o.italic = !p.italic;
    o.underline = !p.underline;
    o.strikeOut = !p.strikeOut;
    o.vertical = p.vertical == RtfCharFormat::Baseline ? quint8(RtfCharFormat::Super) : quint8(RtfCharFormat::Baseline);
    o.background = p.background == 0 ? quint8(RtfCharFormat::Highlight) : quint8(0);
    return o;
}

// Arabic and Hebrew runs carry their face, size, bold and italic twice: as
// associated properties after \rtlch too, which Word and LibreOffice use for
// right-to-left script.
// A run whose face lacks its Arabic or Coptic letters names the face that draws
// them (assocFont) as its associated font, so other programs show the same face.
void RtfWriter::switchTo(const CharProps &p, bool rightToLeft, int assocFont)
{
    if (p.charStyle != m_current.charStyle) {
        if (m_current.charStyle >= 0) {
            // Only \plain ends a character style; it resets every attribute.
            writeWord("plain");
            m_current = unlike(p);
            m_rightToLeft = false;
            m_associatedValid = false;
        }
        if (p.charStyle >= 0) {
            writeWord("cs", p.charStyle);
            m_forceChar = true;
        }
        m_current.charStyle = p.charStyle;
    }
    if (m_forceChar) {
        m_current = unlike(p);
        m_forceChar = false;
    }
    const int af = assocFont >= 0 ? assocFont : p.font;
    if (rightToLeft) {
        const bool assocChanged = !m_associatedValid || af != m_associated.font
                               || p.halfPoints != m_associated.halfPoints || p.bold != m_associated.bold
                               || p.italic != m_associated.italic;
        if (!m_rightToLeft || assocChanged) {
            writeWord("rtlch");
            if (!m_associatedValid || af != m_associated.font)
                writeWord("af", af);
            if (!m_associatedValid || p.halfPoints != m_associated.halfPoints)
                writeWord("afs", p.halfPoints);
            if (!m_associatedValid || p.bold != m_associated.bold)
                writeWord(p.bold ? "ab" : "ab0");
            if (!m_associatedValid || p.italic != m_associated.italic)
                writeWord(p.italic ? "ai" : "ai0");
            m_associated = p;
            m_associated.font = af;
            m_associatedValid = true;
            m_rightToLeft = true;
        }
    } else {
        if (m_rightToLeft) {
            writeWord("ltrch");
            m_rightToLeft = false;
        }
        if (assocFont >= 0 && (!m_associatedValid || assocFont != m_associated.font)) {
            writeWord("af", assocFont);
            if (!m_associatedValid) {
                m_associated = p;
                m_associatedValid = true;
            }
            m_associated.font = assocFont;
        }
    }
    if (p == m_current)
        return;
    if (p.font != m_current.font)
        writeWord("f", p.font);
    if (p.halfPoints != m_current.halfPoints)
        writeWord("fs", p.halfPoints);
    if (p.color != m_current.color)
        writeWord("cf", qMax(p.color, 0));
    if (p.bold != m_current.bold)
        writeWord(p.bold ? "b" : "b0");
    if (p.italic != m_current.italic)
        writeWord(p.italic ? "i" : "i0");
    if (p.underline != m_current.underline)
        writeWord(p.underline ? "ul" : "ulnone");
    if (p.strikeOut != m_current.strikeOut)
        writeWord(p.strikeOut ? "strike" : "strike0");
    if (p.vertical != m_current.vertical || p.raise != m_current.raise) {
        if (p.raise != 0) {
            if (m_current.vertical != RtfCharFormat::Baseline)
                writeWord("nosupersub");
            writeWord(p.raise > 0 ? "up" : "dn", std::abs(p.raise));
        } else {
            if (m_current.raise != 0)
                writeWord(m_current.raise > 0 ? "up0" : "dn0");
            writeWord(p.vertical == RtfCharFormat::Super ? "super"
                      : p.vertical == RtfCharFormat::Sub ? "sub"
                                                         : "nosupersub");
        }
    }
    if (p.background != m_current.background || p.backgroundColor != m_current.backgroundColor) {
        static const char *const words[] = {nullptr, "highlight", "cb", "chcbpat"};
        if (m_current.background != 0 && m_current.background != p.background)
            writeWord(words[m_current.background], 0);
        if (p.background != 0)
            writeWord(words[p.background], p.backgroundColor);
    }
    m_current = p;
}

void RtfWriter::makeRoom(qsizetype bytes)
{
    // A growing buffer is moved on by an eighth at a time rather than doubled: a huge file's
    // RTF is not held with as much again unused behind it.
    const qsizetype capacity = m_out.capacity();
    if (capacity - m_out.size() < bytes)
        m_out.reserve(m_out.size() + qMax(bytes, qMax(capacity / 8, qsizetype(64 * 1024))));
}

void RtfWriter::writeText(const QString &text)
{
    // The longest a character is written: "\\u-12345\\'3f". A slice at a time, so an ASCII
    // text does not ask twelve times its room.
    constexpr qsizetype kSlice = 4096;
    for (qsizetype from = 0; from < text.size(); from += kSlice)
        writeTextSlice(text.constData() + from, qMin(kSlice, text.size() - from));
}

void RtfWriter::writeTextSlice(const QChar *c, qsizetype length)
{
    makeRoom(12 * length + 256);
    const QChar *end = c + length;
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
            // The fallback as an escape: readers that take a literal "?" for the
            // end of the number's delimiter (pandoc) eat the next character.
            m_out.append("\\'3f", 4);
            m_needDelimiter = false;
        }
    }
}

// Opens and closes the field group that a run of a field's result belongs to. The
// attributes inside the group end with it: those in force before it come back.
void RtfWriter::switchField(const CharProps &props)
{
    if (props.fieldId == m_fieldId && (m_fieldId == 0 || props.field == m_current.field))
        return;
    if (m_fieldId != 0) {
        m_out.append("}}");
        m_current = m_beforeField;
        m_rightToLeft = m_rightToLeftBeforeField;
        m_associated = m_associatedBeforeField;
        m_associatedValid = m_associatedValidBeforeField;
        m_needDelimiter = false;
        m_fieldId = 0;
    }
    if (props.fieldId == 0)
        return;
    m_beforeField = m_current;
    m_rightToLeftBeforeField = m_rightToLeft;
    m_associatedBeforeField = m_associated;
    m_associatedValidBeforeField = m_associatedValid;
    m_out.append("{\\field{\\*\\fldinst ");
    m_needDelimiter = false;
    writeText(props.field);
    m_out.append("}{\\fldrslt");
    m_needDelimiter = true;
    m_fieldId = props.fieldId;
    m_current.field = props.field;
}

void RtfWriter::writePicture(const QTextImageFormat &format)
{
    QByteArray data = format.property(PictureDataProperty).toByteArray();
    int kind = format.intProperty(PictureKindProperty);
    QList<int> size = format.property(PictureSizeProperty).value<QList<int>>();
    const int goalW = format.width() > 0 ? toTwips(format.width()) : 0;
    const int goalH = format.height() > 0 ? toTwips(format.height()) : 0;
    if (data.isEmpty()) {
        // A picture that came from elsewhere (pasted): written as PNG.
        const QVariant resource = m_doc->resource(QTextDocument::ImageResource, QUrl(format.name()));
        const QImage image = resource.value<QImage>();
        if (image.isNull())
            return;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        kind = RtfPicture::Png;
        size = {image.width(), image.height(), goalW > 0 ? goalW : image.width() * 15,
                goalH > 0 ? goalH : image.height() * 15, 100, 100, 0};
    }
    while (size.size() < 7)
        size.append(size.size() >= 4 && size.size() < 6 ? 100 : 0);
    m_out.append("{\\pict");
    switch (kind) {
    case RtfPicture::Png: m_out.append("\\pngblip"); break;
    case RtfPicture::Jpeg: m_out.append("\\jpegblip"); break;
    case RtfPicture::Emf: m_out.append("\\emfblip"); break;
    case RtfPicture::Pict: m_out.append("\\macpict"); break;
    case RtfPicture::Wmf: m_out.append("\\wmetafile"); appendInt(m_out, size[6]); break;
    case RtfPicture::Dib: m_out.append("\\dibitmap"); appendInt(m_out, size[6]); break;
    case RtfPicture::Ddb: m_out.append("\\wbitmap"); appendInt(m_out, size[6]); break;
    default: break;
    }
    static const char *const words[] = {"\\picw", "\\pich", "\\picwgoal", "\\pichgoal", "\\picscalex", "\\picscaley"};
    for (int i = 0; i < 6; ++i) {
        if ((i >= 4 && size[i] == 100) || (i < 4 && size[i] <= 0))
            continue;
        m_out.append(words[i]);
        appendInt(m_out, size[i]);
    }
    static const char hex[] = "0123456789abcdef";
    makeRoom(2 * data.size() + data.size() / 32 + 256);
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i % 64 == 0)
            m_out.append("\r\n", 2);
        const uchar b = uchar(data[i]);
        m_out.append(hex[b >> 4]);
        m_out.append(hex[b & 15]);
    }
    m_out.append('}');
    m_needDelimiter = false;
}

void RtfWriter::writeFragment(const QString &text, const QTextCharFormat &format, const CharProps &props)
{
    int assocFont = -1;
    const ScriptFace::Script script = ScriptFace::scriptOf(text);
    if (script != ScriptFace::Script::None) {
        const QString face = m_scriptFace.drawingFace(m_fonts[size_t(props.font)].family, text);
        if (!face.isEmpty())
            assocFont = fontId(face, script == ScriptFace::Script::Arabic ? 178 : 1);
    }
    switchField(props);
    switchTo(props, hasRightToLeft(text), assocFont);
    if (!format.isImageFormat()) {
        writeText(text);
        return;
    }
    const QTextImageFormat image = format.toImageFormat();
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QChar::ObjectReplacementCharacter)
            continue;
        if (i > from)
            writeText(text.mid(from, i - from));
        if (i < text.size())
            writePicture(image);
        from = i + 1;
    }
}

void RtfWriter::writeTabs(const QList<int> &tabs)
{
    static const char *const leaders[] = {nullptr, "tldot", "tlhyph", "tlul", "tlth", "tleq", "tlmdot"};
    static const char *const kinds[] = {nullptr, "tqr", "tqc", "tqdec"};
    for (qsizetype i = 0; i + 2 < tabs.size(); i += 3) {
        const int kind = tabs[i + 1];
        const int leader = tabs[i + 2];
        if (leader > 0 && leader < 7)
            writeWord(leaders[leader]);
        if (kind > 0 && kind < 4)
            writeWord(kinds[kind]);
        writeWord(kind == RtfTab::Bar ? "tb" : "tx", tabs[i]);
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
    if (para.tableDepth > 0)
        writeWord("intbl");
    if (para.tableDepth > 1)
        writeWord("itap", para.tableDepth);
    if (para.style >= 0) {
        // The style's attributes give what a paragraph or run does not say: every
        // attribute of the next run is said outright.
        writeWord("s", para.style);
        m_forceChar = true;
    }
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
    if (para.spaceBefore != 0)
        writeWord("sb", para.spaceBefore);
    if (para.spaceAfter != 0)
        writeWord("sa", para.spaceAfter);
    if (para.lineSpacing != 0) {
        writeWord("sl", para.lineSpacing);
        writeWord("slmult", para.lineMultiple ? 1 : 0);
    }
    if (para.pageBreakBefore)
        writeWord("pagebb");
    if (para.keepTogether)
        writeWord("keep");
    if (para.keepWithNext)
        writeWord("keepn");
    writeTabs(para.tabs);
}

void RtfWriter::writeBlock(const QTextBlock &block, const char *end)
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
        const CharProps props = propsOfIndex(fragment.charFormatIndex());
        writeFragment(fragment.text(), fragment.charFormat(), props);
        empty = false;
    }
    switchField(CharProps());
    if (empty)
        switchTo(propsOfIndex(block.charFormatIndex()));
    m_out.append(end);
    m_needDelimiter = false;
}

// The row's definition: where each cell ends (twips from the page's left margin), its
// borders and shading, as the table's formats hold them.
void RtfWriter::writeRowDefinition(const QTextTable &table, int row)
{
    const QTextTableFormat format = table.format();
    const int columns = table.columns();
    QList<int> rights = format.property(TableCellRightsProperty).value<QList<int>>();
    const int left = format.hasProperty(TableLeftProperty) ? format.intProperty(TableLeftProperty)
                                                           : toTwips(format.leftMargin());
    if (rights.size() != columns) {
        // Widths of the columns as the table gives them, else equal parts of a 6.5 inch line.
        const QList<QTextLength> widths = format.columnWidthConstraints();
        rights.clear();
        int x = left;
        for (int c = 0; c < columns; ++c) {
            const QTextLength w = widths.value(c);
            x += w.type() == QTextLength::FixedLength ? qMax(1, toTwips(w.rawValue())) : 9360 / columns;
            rights.append(x);
        }
    }
    m_out.append("\\trowd");
    const int gap = format.hasProperty(TableGapProperty) ? format.intProperty(TableGapProperty)
                                                         : toTwips(format.cellPadding());
    writeWord("trgaph", gap);
    if (left != 0)
        writeWord("trleft", left);
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        writeWord("trqc");
    else if (alignment & Qt::AlignRight)
        writeWord("trqr");
    // The row's own height, as its cells hold it, else the table's for every row.
    int height = format.intProperty(TableRowHeightProperty);
    for (int c = 0; c < columns; ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        const int own = cell.format().intProperty(CellRowHeightProperty);
        if (cell.row() == row && own != 0) {
            height = own;
            break;
        }
    }
    if (height != 0)
        writeWord("trrh", height);
    if (row < format.headerRowCount())
        writeWord("trhdr");
    static const char *const sides[] = {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"};
    for (int c = 0; c < columns; ++c) {
        const QTextTableCell cell = table.cellAt(row, c);
        if (cell.row() != row || cell.column() != c)
            continue; // covered by a merged cell
        const QTextTableCellFormat cf = cell.format().toTableCellFormat();
        int borders = 0;
        int width = cf.intProperty(CellBorderWidthProperty);
        if (cf.hasProperty(CellBordersProperty)) {
            borders = cf.intProperty(CellBordersProperty);
        } else {
            const qreal shown[] = {cf.topBorder(), cf.leftBorder(), cf.bottomBorder(), cf.rightBorder()};
            for (int i = 0; i < 4; ++i) {
                if (shown[i] > 0) {
                    borders |= 1 << i;
                    width = qMax(width, toTwips(shown[i]));
                }
            }
        }
        for (int i = 0; i < 4; ++i) {
            if (!(borders & (1 << i)))
                continue;
            writeWord(sides[i]);
            writeWord("brdrs");
            if (width > 0)
                writeWord("brdrw", width);
        }
        if (cf.hasProperty(QTextFormat::BackgroundBrush) && cf.background().style() != Qt::NoBrush)
            writeWord("clcbpat", colorId(cf.background().color().rgb()));
        writeWord("cellx", cf.hasProperty(CellRightProperty) ? cf.intProperty(CellRightProperty)
                                                              : rights.value(c + cell.columnSpan() - 1));
    }
    m_out.append("\r\n");
    m_needDelimiter = false;
}

// Blocks and tables of a frame (the document's or a cell's) at this table depth; the block
// `last` ends the cell. An empty paragraph that only stands before a table at the frame's
// start is not written: QTextDocument puts one there, readers make it again.
void RtfWriter::writeItems(QTextFrame::iterator it, const QTextFrame::iterator &end, int depth, const QTextBlock &last)
{
    if (it != end && it.currentBlock().isValid() && it.currentBlock().length() == 1 && !it.currentBlock().textList()) {
        QTextFrame::iterator next = it;
        ++next;
        if (next != end && qobject_cast<QTextTable *>(next.currentFrame()))
            it = next;
    }
    for (; it != end; ++it) {
        if (const auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            writeTable(*table, depth + 1);
        } else if (it.currentBlock().isValid()) {
            const QTextBlock block = it.currentBlock();
            writeBlock(block, depth > 0 && block == last ? (depth > 1 ? "\\nestcell " : "\\cell ") : "\\par\r\n");
            spill(kSpillBytes);
        }
    }
}

// A table at depth 1 gives each row's definition before its cells; a nested one after
// them, in \nesttableprops, with a paragraph for readers that know no nesting.
void RtfWriter::writeTable(const QTextTable &table, int depth)
{
    for (int row = 0; row < table.rows(); ++row) {
        if (depth == 1)
            writeRowDefinition(table, row);
        m_firstPara = true; // each row's paragraphs say they are in the table
        for (int c = 0; c < table.columns(); ++c) {
            const QTextTableCell cell = table.cellAt(row, c);
            if (cell.row() != row || cell.column() != c)
                continue; // covered by a merged cell
            writeItems(cell.begin(), cell.end(), depth, table.document()->findBlock(cell.lastPosition()));
        }
        switchField(CharProps());
        if (depth == 1) {
            m_out.append("\\row\r\n");
        } else {
            m_out.append("{\\*\\nesttableprops");
            writeRowDefinition(table, row);
            m_out.append("\\nestrow}{\\nonesttables\\par}\r\n");
        }
        m_needDelimiter = false;
    }
    m_firstPara = true;
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
            m_out.append("\\'3f", 4);
        }
    }
}

QByteArray RtfWriter::header()
{
    QByteArray body;
    body.swap(m_out);
    m_out.reserve(1024);
    // Kept groups spell 8-bit bytes in the page of the file they came from; the text of
    // our own is ASCII (\\uN) in any page.
    const int cp = m_kept.codePage;
    const bool windowsPage = (cp >= 874 && cp <= 1258) || cp == 932 || cp == 936 || cp == 949 || cp == 950;
    m_out.append("{\\rtf1\\ansi\\ansicpg");
    appendInt(m_out, !m_kept.groups.isEmpty() && windowsPage ? cp : 1252);
    m_out.append("\\deff0\\nouicompat{\\fonttbl");
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
    m_out.append("}\r\n");
    for (const QByteArray &group : m_headerGroups) {
        m_out.append(group);
        m_out.append("\r\n");
    }
    m_out.append("{\\*\\generator Kalvero;}");
    // The body moves up in its own buffer to make room for the header: a second copy of it
    // would double what saving a document of hundreds of megabytes takes. (Growing a large
    // buffer at its end does not copy it.)
    const qsizetype headSize = m_out.size();
    const qsizetype bodySize = body.size();
    body.resize(bodySize + headSize);
    std::memmove(body.data() + headSize, body.constData(), size_t(bodySize));
    std::memcpy(body.data(), m_out.constData(), size_t(headSize));
    m_out.clear();
    return body;
}

// A kept group with the numbers of fonts and colours turned into those of this
// file's tables (the document's own tables are written anew).
QByteArray RtfWriter::renumbered(const QByteArray &group)
{
    static const QSet<QByteArray> fontWords{"f", "af", "pnf", "stshfdbch", "stshfloch", "stshfhich", "stshfbi"};
    static const QSet<QByteArray> colorWords{"cf", "cb", "chcbpat", "chcfpat", "highlight", "clcbpat", "clcfpat",
                                             "cbpat", "cfpat", "brdrcf", "ulc", "trcbpat", "trcfpat",
                                             "clcbpatraw", "clcfpatraw"};
    QHash<int, int> fonts;
    for (const RtfFontEntry &font : m_kept.fonts)
        fonts.insert(font.number, font.charset);
    QByteArray out;
    out.reserve(group.size() + 16);
    RtfTokenizer tokenizer(group.constData(), group.size());
    RtfToken token;
    qsizetype copied = 0;
    for (;;) {
        const qsizetype start = tokenizer.position();
        tokenizer.next(token);
        if (token.kind == RtfToken::End)
            break;
        if (token.kind != RtfToken::ControlWord || !token.hasParam)
            continue;
        const QByteArray name(token.text, token.size);
        int mapped = -1;
        if (fontWords.contains(name)) {
            for (const RtfFontEntry &font : m_kept.fonts) {
                if (font.number == token.param) {
                    mapped = fontId(font.family.isEmpty() ? m_defaultFamily : font.family, font.charset);
                    break;
                }
            }
        } else if (colorWords.contains(name) && token.param > 0) {
            mapped = 0;
            if (token.param < m_kept.colors.size() && !m_kept.colors[token.param].isAuto)
                mapped = colorId(m_kept.colors[token.param].rgb);
        }
        if (mapped < 0)
            continue;
        const qsizetype end = tokenizer.position();
        out.append(group.constData() + copied, start - copied);
        out.append('\\').append(name);
        appendInt(out, mapped);
        if (group[end - 1] == ' ')
            out.append(' ');
        copied = end;
    }
    out.append(group.constData() + copied, group.size() - copied);
    return out;
}

void RtfWriter::prepareKeptParts()
{
    m_kept = keptParts(*m_doc);
    m_keptWords = m_kept.words;
    for (const QByteArray &group : m_kept.groups) {
        m_writeStyles = m_writeStyles || group.startsWith("{\\stylesheet");
        const QByteArray out = renumbered(group);
        const bool section = group.startsWith("{\\header") || group.startsWith("{\\footer");
        (section ? m_sectionGroups : m_headerGroups).append(out);
    }
}

QByteArray RtfWriter::write()
{
    start(m_doc->characterCount());
    writePart(*m_doc);
    return finish();
}

void RtfWriter::start(qsizetype characters)
{
    m_out.reserve(m_spill ? 2 * kSpillBytes : qsizetype(characters * 1.2) + 256);
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
        m_current.halfPoints = -1;
    }
    prepareKeptParts();
    m_out.append(m_keptWords);
    m_out.append("\\viewkind4\\uc1");
    m_needDelimiter = true;
    for (const QByteArray &group : m_sectionGroups) {
        m_out.append(group);
        m_needDelimiter = false;
    }
}

void RtfWriter::writePart(const QTextDocument &part)
{
    // Format numbers are the part's own.
    m_doc = &part;
    m_allFormats.clear();
    m_propsByIndex.clear();
    const QTextFrame *root = part.rootFrame();
    writeItems(root->begin(), root->end(), 0, QTextBlock());
}

void RtfWriter::spill(qsizetype atLeast)
{
    if (!m_spill || m_out.size() < atLeast)
        return;
    if (m_spill->write(m_out) != m_out.size())
        m_spill = nullptr; // the device holds the error; the rest is not worth writing
    m_out.resize(0);       // keeps its room
}

QByteArray RtfWriter::finish()
{
    m_doc = nullptr;
    m_out.append('}');
    if (!m_spill)
        return header();
    spill(0);
    m_out.squeeze();
    return header();
}

} // namespace rtf

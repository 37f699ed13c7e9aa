// The reader's tables: fonts, colours and Word lists, and the resolution of a
// group state into the attributes a sink receives.
#include "RtfReader.h"

#include "CodePage.h"
#include "RtfReaderFlags.h"

#include <algorithm>
#include <cstring>

namespace rtf {

namespace {

RtfListStyle styleOfNfc(int nfc)
{
    switch (nfc) {
    case 1: return RtfListStyle::UpperRoman;
    case 2: return RtfListStyle::LowerRoman;
    case 3: return RtfListStyle::UpperAlpha;
    case 4: return RtfListStyle::LowerAlpha;
    case 23: return RtfListStyle::Disc;
    case 255: return RtfListStyle::None;
    default: return RtfListStyle::Decimal;
    }
}

} // namespace

RtfReader::FontDef *RtfReader::fontByNumber(int number)
{
    const auto it = m_fontIndex.constFind(number);
    return it == m_fontIndex.cend() ? nullptr : &m_fonts[size_t(*it)];
}

void RtfReader::finishFontName(FontDef &font)
{
    if (font.nameDone)
        return;
    decodeFontBytes(font);
    font.name = font.name.trimmed();
    font.nameDone = true;
}

void RtfReader::decodeFontBytes(FontDef &font)
{
    int cp = font.charset >= 0 ? codepage::forCharset(font.charset) : 0;
    if (cp == 0)
        cp = font.cpg > 0 ? font.cpg : m_defaultCodePage;
    if (m_utf8Text)
        cp = codepage::Utf8CodePage;
    codepage::decode(cp, font.nameBytes.constData(), font.nameBytes.size(), font.name);
    font.nameBytes.clear();
}

// The code page a font gives its text; 0 when it names none (the document's
// default applies). Without \fcharset and \cpg, a Windows name suffix such as
// "Arial CE" or "David (Hebrew)" tells the code page.
int RtfReader::ownCodePageOfFont(int number)
{
    FontDef *font = fontByNumber(number < 0 ? m_defaultFont : number);
    if (!font && number >= 0)
        font = fontByNumber(m_defaultFont);
    if (!font)
        return 0;
    if (font->charset >= 0) {
        const int cp = codepage::forCharset(font->charset);
        if (cp != 0)
            return cp;
    }
    if (font->cpg > 0)
        return font->cpg;
    if (font->charset < 0) {
        finishFontName(*font);
        return codepage::forFontNameSuffix(font->name);
    }
    return 0;
}

int RtfReader::codePageOfFont(int number)
{
    if (m_utf8Text)
        return codepage::Utf8CodePage;
    const int cp = ownCodePageOfFont(number);
    return cp != 0 ? cp : m_defaultCodePage;
}

// Bytes are read in the code page of the run's font (\f), as Word and LibreOffice
// read them, whatever the associated font (\af) says; only when the run's font
// names no code page does a right-to-left run take its associated font's.
int RtfReader::codePageOfRun(const CharState &ch)
{
    if (m_utf8Text)
        return codepage::Utf8CodePage;
    int cp = ownCodePageOfFont(ch.font);
    if (cp == 0 && (ch.flags & RightToLeft) && ch.assocFont >= 0)
        cp = ownCodePageOfFont(ch.assocFont);
    return cp != 0 ? cp : m_defaultCodePage;
}

// In a right-to-left run (\rtlch) the associated font, when one was named, is
// the run's face: that is how Word and LibreOffice give Arabic text its face.
int RtfReader::effectiveFont(const CharState &ch)
{
    return ((ch.flags & RightToLeft) && ch.assocFont >= 0) ? ch.assocFont : ch.font;
}

void RtfReader::fontTableBytes(const char *bytes, qsizetype size)
{
    if (m_currentFontDef < 0)
        return;
    FontDef &font = m_fonts[size_t(m_currentFontDef)];
    if (font.nameDone)
        return;
    const char *semicolon = static_cast<const char *>(memchr(bytes, ';', size_t(size)));
    if (!semicolon) {
        font.nameBytes.append(bytes, size);
        return;
    }
    font.nameBytes.append(bytes, semicolon - bytes);
    finishFontName(font);
}

void RtfReader::colorTableBytes(const char *bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] != ';')
            continue;
        m_colors.push_back({!m_colorSeen, qRgb(m_red, m_green, m_blue)});
        m_colorSeen = false;
        m_red = m_green = m_blue = 0;
    }
}

const RtfCharFormat &RtfReader::resolve(const CharState &ch)
{
    if (m_resolvedValid && ch == m_resolvedKey)
        return m_resolved;
    RtfCharFormat f;
    const int fontNumber = effectiveFont(ch);
    FontDef *font = fontByNumber(fontNumber < 0 ? m_defaultFont : fontNumber);
    if (!font)
        font = fontByNumber(m_defaultFont);
    if (font) {
        finishFontName(*font);
        f.family = font->name;
        f.charset = font->charset;
    }
    const bool rtl = ch.flags & RightToLeft;
    f.halfPoints = (rtl && ch.assocHalfPoints > 0) ? ch.assocHalfPoints : ch.halfPoints;
    if (ch.color >= 0 && size_t(ch.color) < m_colors.size() && !m_colors[size_t(ch.color)].isAuto) {
        f.autoColor = false;
        f.color = m_colors[size_t(ch.color)].rgb;
    } else if (ch.color == 0) {
        f.explicitAuto = true;
    }
    f.bold = (rtl && (ch.assocFlags & AssocBoldSet)) ? bool(ch.assocFlags & AssocBold) : bool(ch.flags & Bold);
    f.italic = (rtl && (ch.assocFlags & AssocItalicSet)) ? bool(ch.assocFlags & AssocItalic) : bool(ch.flags & Italic);
    f.underline = ch.flags & Underline;
    f.strikeOut = ch.flags & Strike;
    f.vertical = RtfCharFormat::Vertical(ch.vertical);
    f.raise = ch.raise;
    if (ch.background != RtfCharFormat::NoBackground && size_t(ch.backgroundColor) < m_colors.size()
        && !m_colors[size_t(ch.backgroundColor)].isAuto) {
        f.background = RtfCharFormat::Background(ch.background);
        f.backgroundColor = m_colors[size_t(ch.backgroundColor)].rgb;
    }
    if (ch.field > 0 && size_t(ch.field) <= m_fields.size()) {
        const FieldDef &field = m_fields[size_t(ch.field - 1)];
        if (field.isLink)
            f.link = field.link;
        else
            f.field = field.instruction;
        f.fieldId = ch.field;
    }
    f.charStyle = ch.charStyle;
    m_resolved = f;
    m_resolvedKey = ch;
    m_resolvedValid = true;
    return m_resolved;
}

RtfParaFormat RtfReader::resolvePara(const ParaState &para) const
{
    RtfParaFormat p;
    p.alignment = para.alignment;
    p.rightToLeft = para.rightToLeft;
    p.leftIndent = para.hasStartIndent ? para.startIndent : para.leftIndent;
    p.rightIndent = para.hasEndIndent ? para.endIndent : para.rightIndent;
    p.firstIndent = para.firstIndent;
    p.spaceBefore = para.spaceBefore;
    p.spaceAfter = para.spaceAfter;
    p.lineSpacing = para.lineSpacing;
    p.lineMultiple = para.lineMultiple;
    p.pageBreakBefore = para.pageBreakBefore;
    p.keepTogether = para.keepTogether;
    p.keepWithNext = para.keepWithNext;
    p.tabs = para.tabs;
    p.tableDepth = std::max(para.tableDepth, para.inTable ? 1 : 0);
    p.style = para.style;
    if (para.ls >= 0) {
        RtfListStyle style = RtfListStyle::Decimal; // a list the tables do not describe
        const auto it = m_overrideToList.constFind(para.ls);
        if (it != m_overrideToList.cend()) {
            for (const ListDef &list : m_lists) {
                if (list.id != *it || list.levelNfc.empty())
                    continue;
                const size_t level = std::min(size_t(para.ilvl), list.levelNfc.size() - 1);
                style = styleOfNfc(list.levelNfc[level]);
                break;
            }
        }
        p.list = style;
        p.listKey = (qint64(1) << 40) | (qint64(para.ls) << 8) | para.ilvl;
        p.listSpansDocument = true;
    } else if (para.pnStyle != RtfListStyle::None) {
        p.list = para.pnStyle;
        p.listKey = (qint64(2) << 40) | qint64(para.pnStyle);
    }
    return p;
}

} // namespace rtf

#include "RtfReader.h"

#include "CodePage.h"
#include "RtfKeywords.h"
#include "RtfReaderFlags.h"
#include "RtfTokenizer.h"

#include <algorithm>

namespace rtf {

namespace {

constexpr int MaxUnicodeSkip = 16;   // \ucN beyond this is nonsense; keep the text
constexpr int MaxTwips = 31680 * 4; // 88 inches, far beyond any page

inline bool isHighSurrogate(int u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool isLowSurrogate(int u) { return u >= 0xDC00 && u <= 0xDFFF; }

int clampTwips(int value) { return std::clamp(value, -MaxTwips, MaxTwips); }

// Control words that stand for one character: they count as a fallback unit
// after \uN.
bool isCharacterWord(Kw kw)
{
    switch (kw) {
    case Kw::Tab: case Kw::EmDash: case Kw::EnDash: case Kw::EmSpace: case Kw::EnSpace:
    case Kw::QmSpace: case Kw::Bullet: case Kw::LQuote: case Kw::RQuote: case Kw::LDblQuote:
    case Kw::RDblQuote: case Kw::Zwj: case Kw::Zwnj: case Kw::LtrMark: case Kw::RtlMark:
        return true;
    default:
        return false;
    }
}

} // namespace

RtfReader::RtfReader(RtfSink &sink) : m_sink(sink) {}

void RtfReader::read(const char *data, qsizetype size)
{
    m_data = data;
    m_states.clear();
    m_states.emplace_back();
    m_states.back().codePage = m_defaultCodePage;
    RtfTokenizer tokenizer(data, size);
    RtfToken token;
    qsizetype nextReport = m_progressEvery;
    while (!m_done) {
        tokenizer.next(token);
        m_tokenPos = tokenizer.position();
        if (m_progress && m_tokenPos >= nextReport) {
            m_progress(m_tokenPos);
            nextReport = m_tokenPos + m_progressEvery;
        }
        if (token.kind != RtfToken::ControlWord && token.kind != RtfToken::GroupOpen
            && !(token.kind == RtfToken::ControlSymbol && token.value == '*'))
            m_atGroupStart = false;
        switch (token.kind) {
        case RtfToken::End:
            m_done = true;
            break;
        case RtfToken::GroupOpen:
            groupOpen(tokenizer.position() - 1);
            break;
        case RtfToken::GroupClose:
            groupClose();
            break;
        case RtfToken::ControlWord:
            controlWord(token, tokenizer);
            break;
        case RtfToken::ControlSymbol:
            controlSymbol(token.value);
            break;
        case RtfToken::Text:
            textBytes(token.text, token.size);
            break;
        case RtfToken::HexByte:
            hexByte(token.value);
            break;
        case RtfToken::Binary:
            m_ignorableNext = false;
            if (m_skip > 0)
                --m_skip;
            else if (top().dest == Dest::Pict)
                m_picture.data.append(token.text, token.size);
            break;
        }
    }
    if (top().dest == Dest::Body && m_pendingHigh)
        beginContent();
    flushRun();
    reportTables();
    RtfParaFormat para = resolvePara(top().para);
    para.pageBreakBefore = para.pageBreakBefore || m_pageBreakNext;
    m_sink.finish(para, resolve(top().ch), m_paraHasContent);
}

// ---------------------------------------------------------------------------
// Groups

void RtfReader::groupOpen(qsizetype position)
{
    m_skip = 0;
    m_ignorableNext = false;
    m_atGroupStart = true;
    if (m_overflowDepth > 0 || m_states.size() > size_t(MaxStateDepth)) {
        ++m_overflowDepth;
        return;
    }
    m_states.push_back(m_states.back());
    m_states.back().groupStart = position;
}

void RtfReader::groupClose()
{
    m_skip = 0;
    m_ignorableNext = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_states.size() <= 1)
        return; // a stray } before the document began
    if (m_states.size() == 2) {
        m_done = true; // the document's own group closed: whatever follows is not RTF
        return;
    }
    const GroupState closing = m_states.back();
    m_states.pop_back();
    GroupState &parent = top();
    switch (closing.dest) {
    case Dest::Pn:
        // The old-style numbering group sets properties of the paragraph around it.
        if (parent.dest != Dest::Pn)
            parent.para.pnStyle = closing.para.pnStyle;
        break;
    case Dest::FontTable:
        if (m_currentFontDef >= 0)
            finishFontName(m_fonts[size_t(m_currentFontDef)]);
        if (parent.dest != Dest::FontTable) {
            for (FontDef &font : m_fonts)
                finishFontName(font);
            m_resolvedValid = false;
            updateCodePage(parent);
        }
        break;
    case Dest::ColorTable:
        if (parent.dest != Dest::ColorTable) {
            if (m_colorSeen)
                m_colors.push_back({false, qRgb(m_red, m_green, m_blue)});
            m_colorSeen = false;
            m_resolvedValid = false;
        }
        break;
    case Dest::Default:
        if (parent.dest != Dest::Default)
            m_sink.defaultFormat(resolve(closing.ch));
        break;
    case Dest::DefPap:
        if (parent.dest != Dest::DefPap)
            m_defaultPara = closing.para;
        break;
    case Dest::Pict:
        if (parent.dest != Dest::Pict)
            finishPicture();
        break;
    case Dest::FieldInstruction:
        if (parent.dest != Dest::FieldInstruction)
            finishFieldInstruction(closing);
        break;
    case Dest::StyleEntry:
        if (parent.dest == Dest::StyleSheet && m_currentStyle >= 0) {
            // A style says how a paragraph looks, not that it stands in a table: the normal
            // style's \intbl would otherwise put the text after the style sheet into a cell.
            ParaState para = closing.para;
            para.inTable = false;
            para.tableDepth = 0;
            m_styles.insert(m_currentStyle, StyleDef{closing.ch, para});
        }
        m_currentStyle = -1;
        break;
    case Dest::StyleSheet:
        if (parent.dest != Dest::StyleSheet && m_states.size() == 2) {
            // Only a group that begins with the word is a style sheet to keep: text read
            // before a \stylesheet later in a group is the document's already.
            if (closing.groupStart >= 0)
                m_sink.keptGroup(QByteArray(m_data + closing.groupStart, m_tokenPos - closing.groupStart));
            // Text that names no attributes of its own takes those of the normal style.
            if (parent.ch == CharState())
                parent.ch = defaultChar();
            parent.para = defaultPara();
            updateCodePage(parent);
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Control words

void RtfReader::controlWord(const RtfToken &token, RtfTokenizer &tokenizer)
{
    const Kw kw = lookupKeyword(token.text, token.size);
    const bool ignorable = m_ignorableNext;
    const bool groupStart = m_atGroupStart;
    m_ignorableNext = false;
    m_atGroupStart = false;
    if (m_skip > 0) {
        if (isCharacterWord(kw)) {
            --m_skip;
            return;
        }
        m_skip = 0;
    }
    const bool rootGroup = m_states.size() <= 2 && m_overflowDepth == 0;
    // Groups straight under the document's own that nothing shows (information,
    // headers, the generator's private tables) are kept byte for byte.
    // Only before the text begins: later ones belong to the text (\nonesttables, ...).
    const bool documentLevel = m_states.size() == 3 && m_overflowDepth == 0 && top().dest == Dest::Body
                            && (!m_bodyStarted || kw == Kw::HeaderFooter || kw == Kw::Info);
    auto skipDestination = [&] {
        if (rootGroup)
            return; // never skip the document itself
        const bool closed = tokenizer.skipGroup();
        m_tokenPos = tokenizer.position();
        // The data ended inside the group: like every group still open at the end, it is not
        // closed (closing it would keep a style sheet cut short, and written back unclosed it
        // would take the text after it in).
        if (!closed)
            return;
        if (documentLevel && groupStart && kw != Kw::Generator && kw != Kw::Object && kw != Kw::Shape
            && kw != Kw::Footnote && kw != Kw::Annotation)
            m_sink.keptGroup(QByteArray(m_data + top().groupStart, tokenizer.position() - top().groupStart));
        groupClose();
    };
    if (kw == Kw::Unknown) {
        // An unknown destination marked ignorable is skipped whole; a stray \*
        // in the middle of a group (seen in StarWriter files) is not a destination.
        if (ignorable && groupStart)
            skipDestination();
        return;
    }
    switch (extraWord(kw, token, top(), groupStart)) {
    case WordResult::NotMine:
        break;
    case WordResult::Done:
        return;
    case WordResult::SkipGroup:
        skipDestination();
        return;
    }
    GroupState &s = top();
    const int param = token.param;
    const bool on = !token.hasParam || param != 0;
    auto setFlag = [&](quint8 flag, bool value) {
        s.ch.flags = value ? quint8(s.ch.flags | flag) : quint8(s.ch.flags & ~flag);
    };

    switch (kw) {
    case Kw::Unknown:
        break;
    case Kw::Skip:
    case Kw::Info:
    case Kw::HeaderFooter:
    case Kw::Generator:
        skipDestination();
        break;

    // Document header.
    case Kw::Rtf:
        break;
    case Kw::Urtf:
        m_utf8Text = true;
        s.codePage = codepage::Utf8CodePage;
        break;
    case Kw::Ansi: m_defaultCodePage = 1252; updateCodePage(s); break;
    case Kw::Mac: m_defaultCodePage = 10000; updateCodePage(s); break;
    case Kw::Pc: m_defaultCodePage = 437; updateCodePage(s); break;
    case Kw::Pca: m_defaultCodePage = 850; updateCodePage(s); break;
    case Kw::AnsiCpg: {
        int cp = param < 0 ? param + 65536 : param; // Outlook writes 65001 as -535
        if (token.hasParam && cp > 0) {
            m_defaultCodePage = cp;
            updateCodePage(s);
        }
        break;
    }
    case Kw::Deff:
        if (token.hasParam) {
            m_defaultFont = param;
            m_resolvedValid = false;
            updateCodePage(s);
        }
        break;

    // Destinations of our own interest.
    case Kw::FontTable:
        s.dest = Dest::FontTable;
        m_currentFontDef = -1;
        break;
    case Kw::ColorTable:
        s.dest = Dest::ColorTable;
        m_colors.clear();
        m_colorSeen = false;
        m_red = m_green = m_blue = 0;
        break;
    case Kw::ListTable:
        s.dest = Dest::ListTable;
        break;
    case Kw::ListOverrideTable:
        s.dest = Dest::ListOverrideTable;
        break;
    case Kw::Pn:
        if (s.dest == Dest::Body) {
            s.dest = Dest::Pn;
            s.para.pnStyle = RtfListStyle::Decimal;
        } else {
            skipDestination();
        }
        break;
    case Kw::PnText:
    case Kw::ListText:
        if (s.dest == Dest::Body) {
            s.dest = kw == Kw::PnText ? Dest::PnText : Dest::ListText;
            m_label.clear();
        } else {
            skipDestination();
        }
        break;
    case Kw::KalveroDefault:
        s.dest = Dest::Default;
        break;
    case Kw::DefPap:
        s.dest = Dest::DefPap;
        s.para = ParaState();
        break;
    case Kw::Upr:
        s.dest = Dest::Upr;
        break;
    case Kw::Ud:
        if (s.dest == Dest::Upr)
            s.dest = Dest::Body;
        break;

    // Font table and colour table.
    case Kw::F:
        if (s.dest == Dest::FontTable) {
            if (m_currentFontDef >= 0)
                finishFontName(m_fonts[size_t(m_currentFontDef)]);
            const auto it = m_fontIndex.constFind(param);
            if (it != m_fontIndex.cend()) {
                m_currentFontDef = *it;
                m_fonts[size_t(*it)] = FontDef();
            } else {
                m_currentFontDef = int(m_fonts.size());
                m_fontIndex.insert(param, m_currentFontDef);
                m_fonts.emplace_back();
            }
            m_fonts[size_t(m_currentFontDef)].number = param;
        } else if (token.hasParam) {
            s.ch.font = param;
            updateCodePage(s);
        }
        break;
    case Kw::FCharset:
        if (s.dest == Dest::FontTable && m_currentFontDef >= 0)
            m_fonts[size_t(m_currentFontDef)].charset = param;
        break;
    case Kw::Cpg:
        if (s.dest == Dest::FontTable) {
            if (m_currentFontDef >= 0)
                m_fonts[size_t(m_currentFontDef)].cpg = param;
        } else if (token.hasParam && param > 0 && !m_utf8Text) {
            s.codePage = param; // text that follows, until the next \f, is in this page
        }
        break;
    case Kw::Red: m_red = std::clamp(param, 0, 255); m_colorSeen = true; break;
    case Kw::Green: m_green = std::clamp(param, 0, 255); m_colorSeen = true; break;
    case Kw::Blue: m_blue = std::clamp(param, 0, 255); m_colorSeen = true; break;

    // Word list tables.
    case Kw::List:
        if (s.dest == Dest::ListTable)
            m_lists.emplace_back();
        break;
    case Kw::ListLevel:
        if (s.dest == Dest::ListTable && !m_lists.empty())
            m_lists.back().levelNfc.push_back(0);
        break;
    case Kw::LevelNfc:
        if (s.dest == Dest::ListTable && !m_lists.empty() && !m_lists.back().levelNfc.empty())
            m_lists.back().levelNfc.back() = param;
        break;
    case Kw::ListId:
        if (s.dest == Dest::ListTable && !m_lists.empty())
            m_lists.back().id = param;
        else if (s.dest == Dest::ListOverrideTable)
            m_overrideListId = param;
        break;
    case Kw::ListOverride:
        m_overrideListId = 0;
        break;

    // Old-style numbering.
    case Kw::PnLvlBlt:
        if (s.dest == Dest::Pn)
            s.para.pnStyle = RtfListStyle::Disc;
        break;
    case Kw::PnLvlCont:
        if (s.dest == Dest::Pn)
            s.para.pnStyle = RtfListStyle::None;
        break;
    case Kw::PnLvlBody:
    case Kw::PnLvl:
        break;
    case Kw::PnDec:
    case Kw::PnUcrm:
    case Kw::PnLcrm:
    case Kw::PnUcltr:
    case Kw::PnLcltr:
        if (s.dest == Dest::Pn && s.para.pnStyle != RtfListStyle::Disc && s.para.pnStyle != RtfListStyle::None) {
            s.para.pnStyle = kw == Kw::PnDec     ? RtfListStyle::Decimal
                           : kw == Kw::PnUcrm    ? RtfListStyle::UpperRoman
                           : kw == Kw::PnLcrm    ? RtfListStyle::LowerRoman
                           : kw == Kw::PnUcltr   ? RtfListStyle::UpperAlpha
                                                 : RtfListStyle::LowerAlpha;
        }
        break;

    // Character formatting.
    case Kw::Plain:
        s.ch = defaultChar();
        updateCodePage(s);
        break;
    case Kw::Fs:
        s.ch.halfPoints = (token.hasParam && param > 0) ? std::min(param, MaxHalfPoints) : 24;
        break;
    case Kw::Cf:
        s.ch.color = std::max(param, 0);
        break;
    case Kw::B: setFlag(Bold, on); break;
    case Kw::I: setFlag(Italic, on); break;
    case Kw::Ul: setFlag(Underline, on); break;
    case Kw::UlNone: setFlag(Underline, false); break;
    case Kw::Strike: setFlag(Strike, on); break;
    case Kw::RtlCh: setFlag(RightToLeft, true); updateCodePage(s); break;
    case Kw::LtrCh: setFlag(RightToLeft, false); updateCodePage(s); break;
    case Kw::Af:
        if (token.hasParam) {
            s.ch.assocFont = param;
            updateCodePage(s);
        }
        break;
    case Kw::Afs: s.ch.assocHalfPoints = (token.hasParam && param > 0) ? std::min(param, MaxHalfPoints) : 0; break;
    case Kw::Ab:
        s.ch.assocFlags = quint8((s.ch.assocFlags & ~AssocBold) | AssocBoldSet | (on ? AssocBold : 0));
        break;
    case Kw::Ai:
        s.ch.assocFlags = quint8((s.ch.assocFlags & ~AssocItalic) | AssocItalicSet | (on ? AssocItalic : 0));
        break;

    // Paragraph formatting.
    case Kw::Pard:
        s.para = defaultPara();
        m_rowEnded = false;
        break;
    case Kw::RtlPar: s.para.rightToLeft = true; break;
    case Kw::LtrPar: s.para.rightToLeft = false; break;
    case Kw::Ql: s.para.alignment = RtfAlignment::Left; break;
    case Kw::Qr: s.para.alignment = RtfAlignment::Right; break;
    case Kw::Qc: s.para.alignment = RtfAlignment::Center; break;
    case Kw::Qj: s.para.alignment = RtfAlignment::Justify; break;
    case Kw::Li: s.para.leftIndent = clampTwips(param); break;
    case Kw::Ri: s.para.rightIndent = clampTwips(param); break;
    case Kw::Fi: s.para.firstIndent = clampTwips(param); break;
    case Kw::Lin:
        s.para.startIndent = clampTwips(param);
        s.para.hasStartIndent = true;
        break;
    case Kw::Rin:
        s.para.endIndent = clampTwips(param);
        s.para.hasEndIndent = true;
        break;
    case Kw::Ls:
        if (s.dest == Dest::ListOverrideTable)
            m_overrideToList.insert(param, m_overrideListId);
        else
            s.para.ls = std::max(param, 0); // OpenOffice numbers its lists from 0
        break;
    case Kw::Ilvl: s.para.ilvl = std::clamp(param, 0, 8); break;
    default:
        break;

    // Text.
    case Kw::Par:
        if (s.dest == Dest::Body)
            endParagraph();
        break;
    case Kw::Sect:
        if (s.dest == Dest::Body && m_paraHasContent)
            endParagraph();
        break;
    case Kw::Page:
        if (s.dest == Dest::Body) {
            if (m_paraHasContent)
                endParagraph();
            m_pageBreakNext = true;
        }
        break;
    case Kw::Line: specialChar(0x2028); break;
    case Kw::Tab: specialChar(u'\t'); break;
    case Kw::EmDash: specialChar(0x2014); break;
    case Kw::EnDash: specialChar(0x2013); break;
    case Kw::EmSpace: specialChar(0x2003); break;
    case Kw::EnSpace: specialChar(0x2002); break;
    case Kw::QmSpace: specialChar(0x2005); break;
    case Kw::Bullet: specialChar(0x2022); break;
    case Kw::LQuote: specialChar(0x2018); break;
    case Kw::RQuote: specialChar(0x2019); break;
    case Kw::LDblQuote: specialChar(0x201C); break;
    case Kw::RDblQuote: specialChar(0x201D); break;
    case Kw::Zwj: specialChar(0x200D); break;
    case Kw::Zwnj: specialChar(0x200C); break;
    case Kw::LtrMark: specialChar(0x200E); break;
    case Kw::RtlMark: specialChar(0x200F); break;
    case Kw::U:
        if (token.hasParam) {
            unicodeChar(param);
            m_skip = s.uc;
        }
        break;
    case Kw::Uc:
        s.uc = quint8(std::clamp(param, 0, MaxUnicodeSkip));
        break;
    }
}

void RtfReader::controlSymbol(uchar symbol)
{
    if (symbol == '*') {
        m_ignorableNext = true;
        return;
    }
    m_ignorableNext = false;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        // Literal characters, whatever the code page: in Korean pages byte 0x5C
        // would be the won sign.
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (top().dest == Dest::FontTable) {
            if (m_currentFontDef >= 0 && !m_fonts[size_t(m_currentFontDef)].nameDone) {
                decodeFontBytes(m_fonts[size_t(m_currentFontDef)]);
                m_fonts[size_t(m_currentFontDef)].name.append(QChar(symbol));
            }
            return;
        }
        specialChar(char16_t(symbol));
        return;
    case '~':
    case '_':
    case '-':
    case '\t':
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        specialChar(symbol == '~' ? 0x00A0 : symbol == '_' ? 0x2011 : symbol == '-' ? 0x00AD : u'\t');
        return;
    case '\n':
        m_skip = 0;
        if (top().dest == Dest::Body)
            endParagraph();
        return;
    default:
        return; // \: \| and other symbols of no interest here
    }
}

// ---------------------------------------------------------------------------
// Text

void RtfReader::textBytes(const char *bytes, qsizetype size)
{
    m_ignorableNext = false;
    if (m_skip > 0) {
        const qsizetype n = std::min<qsizetype>(m_skip, size);
        m_skip -= int(n);
        bytes += n;
        size -= n;
        if (size == 0)
            return;
    }
    switch (top().dest) {
    case Dest::Body:
        appendBodyBytes(bytes, size);
        break;
    case Dest::FontTable:
        fontTableBytes(bytes, size);
        break;
    case Dest::ColorTable:
        colorTableBytes(bytes, size);
        break;
    case Dest::PnText:
    case Dest::ListText:
        codepage::decode(m_utf8Text ? codepage::Utf8CodePage : top().codePage, bytes, size, m_label);
        break;
    case Dest::Pict:
        pictBytes(bytes, size);
        break;
    case Dest::FieldInstruction:
        fieldInstructionBytes(bytes, size);
        break;
    default:
        break;
    }
}

void RtfReader::hexByte(uchar byte)
{
    m_ignorableNext = false;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    const char c = char(byte);
    if (top().dest == Dest::Body) {
        // Always through the code page: in double-byte pages a byte below 0x80 may
        // be the second half of a character.
        beginContent();
        syncRun();
        const int cp = m_utf8Text ? codepage::Utf8CodePage : top().codePage;
        if (!m_bytes.isEmpty() && cp != m_bytesCodePage)
            flushBytes();
        m_bytesCodePage = cp;
        m_bytes.append(c);
        return;
    }
    if (top().dest == Dest::Pict)
        return; // an escape is not picture data
    textBytes(&c, 1);
}

void RtfReader::unicodeChar(int value)
{
    int u = value < 0 ? value + 65536 : value;
    if (u < 0 || u > 0xFFFF)
        u = 0xFFFD;
    const Dest dest = top().dest;
    if (dest == Dest::FontTable) {
        if (m_currentFontDef >= 0) {
            FontDef &font = m_fonts[size_t(m_currentFontDef)];
            if (!font.nameDone) {
                decodeFontBytes(font);
                font.name.append(QChar(isHighSurrogate(u) || isLowSurrogate(u) ? 0xFFFD : u));
            }
        }
        return;
    }
    if (dest == Dest::FieldInstruction && !m_fields.empty()) {
        m_fields.back().instruction.append(QChar(u));
        return;
    }
    if (dest != Dest::Body && dest != Dest::PnText && dest != Dest::ListText)
        return;
    if (isHighSurrogate(u)) {
        if (m_pendingHigh)
            specialChar(0xFFFD);
        m_pendingHigh = char16_t(u);
        return;
    }
    if (isLowSurrogate(u)) {
        if (m_pendingHigh) {
            const QChar pair[2] = {QChar(m_pendingHigh), QChar(u)};
            m_pendingHigh = 0;
            if (dest == Dest::Body) {
                beginContent();
                appendBodyChars(QStringView(pair, 2));
            } else {
                m_label.append(pair, 2);
            }
            return;
        }
        u = 0xFFFD;
    }
    specialChar(char16_t(u));
}

void RtfReader::specialChar(char16_t ch)
{
    m_ignorableNext = false;
    switch (top().dest) {
    case Dest::Body:
        beginContent();
        appendBodyChars(QStringView(&ch, 1));
        break;
    case Dest::FieldInstruction:
        if (!m_fields.empty())
            m_fields.back().instruction.append(QChar(ch));
        break;
    case Dest::PnText:
    case Dest::ListText:
        if (m_pendingHigh) {
            m_pendingHigh = 0;
            m_label.append(QChar(0xFFFD));
        }
        m_label.append(QChar(ch));
        break;
    default:
        break;
    }
}

// Everything that has to appear before the first character of a paragraph or
// before a character that follows an unpaired surrogate.
void RtfReader::beginContent()
{
    m_bodyStarted = true;
    if (!m_paraHasContent) {
        m_paraHasContent = true;
        announceParagraph();
        if (!m_label.isEmpty() && !paraIsList(top().para)) {
            // A numbering label that no list explains: keep it as text.
            const QString label = m_label;
            m_label.clear();
            appendBodyChars(label);
        }
    }
    if (m_pendingHigh) {
        m_pendingHigh = 0;
        const QChar replacement(0xFFFD);
        appendBodyChars(QStringView(&replacement, 1));
    }
}

void RtfReader::announceParagraph()
{
    const ParaState &para = top().para;
    // After \row, \intbl stays in force until \pard; text that no paragraph word
    // put back into the table follows it (LibreOffice drops such text, Word shows it
    // below the table).
    const int depth = m_rowEnded ? 0 : std::max(para.tableDepth, para.inTable ? 1 : 0);
    m_sink.paragraphBegins(depth, m_row);
}

void RtfReader::syncRun()
{
    if (top().ch != m_runChar) {
        flushRun();
        m_runChar = top().ch;
    }
}

void RtfReader::appendBodyBytes(const char *bytes, qsizetype size)
{
    beginContent();
    syncRun();
    const int cp = m_utf8Text ? codepage::Utf8CodePage : top().codePage;
    if (m_bytes.isEmpty() && codepage::isAsciiCompatible(cp)) {
        bool ascii = true;
        for (qsizetype i = 0; i < size; ++i) {
            if (uchar(bytes[i]) >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (ascii) {
            m_run.append(QLatin1StringView(bytes, size));
            return;
        }
    }
    if (!m_bytes.isEmpty() && cp != m_bytesCodePage)
        flushBytes();
    m_bytesCodePage = cp;
    m_bytes.append(bytes, size);
}

void RtfReader::appendBodyChars(QStringView chars)
{
    syncRun();
    flushBytes();
    m_run.append(chars);
}

void RtfReader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    codepage::decode(m_bytesCodePage, m_bytes.constData(), m_bytes.size(), m_run);
    m_bytes.clear();
}

void RtfReader::flushRun()
{
    flushBytes();
    if (m_run.isEmpty())
        return;
    m_sink.text(m_run, resolve(m_runChar));
    m_run.clear();
}

void RtfReader::endParagraph()
{
    m_bodyStarted = true;
    if (m_pendingHigh || (!m_paraHasContent && !m_label.isEmpty()))
        beginContent();
    if (!m_paraHasContent)
        announceParagraph();
    flushRun();
    RtfParaFormat para = resolvePara(top().para);
    if (m_pageBreakNext) {
        para.pageBreakBefore = true;
        m_pageBreakNext = false;
    }
    m_sink.paragraph(para, resolve(top().ch));
    m_label.clear();
    m_paraHasContent = false;
}

} // namespace rtf

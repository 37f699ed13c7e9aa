// The reader's words beyond plain formatted text: sub- and superscript, backgrounds,
// spacing and tab stops, the style sheet, tables, pictures, fields, and the groups
// that are kept as they are or dropped.
#include "RtfReader.h"

#include "CodePage.h"
#include "RtfKeywords.h"
#include "RtfReaderFlags.h"
#include "RtfTokenizer.h"

#include <QRegularExpression>

#include <algorithm>

namespace rtf {

namespace {

constexpr int MaxTwips = 31680 * 4;
constexpr int MaxTabs = 64;
constexpr int MaxCells = 63; // Word's own limit of cells in a row
constexpr qsizetype MaxFieldInstruction = 4096;

int clampTwips(int value) { return std::clamp(value, -MaxTwips, MaxTwips); }

} // namespace

RtfReader::ParaState RtfReader::defaultPara() const
{
    // The normal style's paragraph, on the document's paragraph defaults (\defpap).
    const auto it = m_styles.constFind(0);
    ParaState para = m_defaultPara;
    if (it != m_styles.cend()) {
        para = it->para;
        para.rightToLeft = para.rightToLeft || m_defaultPara.rightToLeft;
    }
    para.style = -1;
    return para;
}

// \plain gives the character attributes of the paragraph's style (of the
// normal style when the paragraph names none), as word processors apply them.
RtfReader::CharState RtfReader::defaultChar() const
{
    if (m_states.empty() || m_styles.isEmpty())
        return CharState();
    const int style = m_states.back().para.style;
    auto it = m_styles.constFind(style >= 0 ? style : 0);
    if (it == m_styles.cend())
        it = m_styles.constFind(0);
    CharState ch = it != m_styles.cend() ? it->ch : CharState();
    ch.field = m_states.back().ch.field;
    return ch;
}

// Attributes of the style where the state still has those of \pard and \plain.
void RtfReader::mergeStyle(GroupState &s, const StyleDef &style) const
{
    const ParaState basePara = defaultPara();
    ParaState &p = s.para;
    const ParaState &q = style.para;
    auto pick = [](auto &field, const auto &base, const auto &styled) {
        if (field == base)
            field = styled;
    };
    pick(p.alignment, basePara.alignment, q.alignment);
    pick(p.leftIndent, basePara.leftIndent, q.leftIndent);
    pick(p.rightIndent, basePara.rightIndent, q.rightIndent);
    pick(p.firstIndent, basePara.firstIndent, q.firstIndent);
    pick(p.spaceBefore, basePara.spaceBefore, q.spaceBefore);
    pick(p.spaceAfter, basePara.spaceAfter, q.spaceAfter);
    if (p.lineSpacing == basePara.lineSpacing) {
        p.lineSpacing = q.lineSpacing;
        p.lineMultiple = q.lineMultiple;
    }
    pick(p.keepTogether, basePara.keepTogether, q.keepTogether);
    pick(p.keepWithNext, basePara.keepWithNext, q.keepWithNext);
    pick(p.pageBreakBefore, basePara.pageBreakBefore, q.pageBreakBefore);
    if (p.tabs.empty())
        p.tabs = q.tabs;
    if (p.ls < 0 && p.pnStyle == RtfListStyle::None) {
        p.ls = q.ls;
        p.ilvl = q.ilvl;
    }
    const CharState baseChar = defaultChar();
    CharState &c = s.ch;
    const CharState &d = style.ch;
    pick(c.font, baseChar.font, d.font);
    pick(c.halfPoints, baseChar.halfPoints, d.halfPoints);
    pick(c.color, baseChar.color, d.color);
    c.flags = quint8(c.flags | (d.flags & ~baseChar.flags));
    pick(c.vertical, baseChar.vertical, d.vertical);
    if (c.background == baseChar.background) {
        c.background = d.background;
        c.backgroundColor = d.backgroundColor;
    }
    if (c.assocFont < 0)
        c.assocFont = d.assocFont;
    pick(c.assocHalfPoints, baseChar.assocHalfPoints, d.assocHalfPoints);
}

RtfReader::WordResult RtfReader::extraWord(Kw kw, const RtfToken &token, GroupState &s, bool groupStart)
{
    const int param = token.param;
    const bool on = !token.hasParam || param != 0;
    auto addTab = [&](int position, RtfTab::Kind kind) {
        if (s.para.tabs.size() >= size_t(MaxTabs))
            return;
        RtfTab tab = s.para.nextTab;
        tab.position = std::clamp(position, 0, MaxTwips);
        tab.kind = kind;
        s.para.tabs.push_back(tab);
        s.para.nextTab = RtfTab();
    };
    auto setLeader = [&](RtfTab::Leader leader) { s.para.nextTab.leader = leader; };
    auto setBorder = [&](int bit) {
        m_borderBit = bit;
        m_cell.borders = quint8(m_cell.borders | (1 << bit));
    };

    switch (kw) {
    // Character attributes.
    case Kw::Super: s.ch.vertical = on ? RtfCharFormat::Super : RtfCharFormat::Baseline; return WordResult::Done;
    case Kw::Sub: s.ch.vertical = on ? RtfCharFormat::Sub : RtfCharFormat::Baseline; return WordResult::Done;
    case Kw::NoSuperSub:
        s.ch.vertical = RtfCharFormat::Baseline;
        s.ch.raise = 0;
        return WordResult::Done;
    case Kw::Up: s.ch.raise = token.hasParam ? std::clamp(param, 0, MaxHalfPoints) : 6; return WordResult::Done;
    case Kw::Dn: s.ch.raise = -(token.hasParam ? std::clamp(param, 0, MaxHalfPoints) : 6); return WordResult::Done;
    case Kw::Highlight:
    case Kw::Cb:
    case Kw::ChCbPat:
        if (param > 0) {
            s.ch.background = kw == Kw::Highlight ? RtfCharFormat::Highlight
                            : kw == Kw::Cb        ? RtfCharFormat::CharBackground
                                                  : RtfCharFormat::CharShading;
            s.ch.backgroundColor = param;
        } else {
            s.ch.background = RtfCharFormat::NoBackground;
            s.ch.backgroundColor = 0;
        }
        return WordResult::Done;

    // Paragraph attributes.
    case Kw::Sb: s.para.spaceBefore = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::Sa: s.para.spaceAfter = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::Sl: s.para.lineSpacing = clampTwips(param); return WordResult::Done;
    case Kw::SlMult: s.para.lineMultiple = on; return WordResult::Done;
    case Kw::PageBb: s.para.pageBreakBefore = on; return WordResult::Done;
    case Kw::Keep: s.para.keepTogether = on; return WordResult::Done;
    case Kw::KeepN: s.para.keepWithNext = on; return WordResult::Done;
    case Kw::Tqr: s.para.nextTab.kind = RtfTab::Right; return WordResult::Done;
    case Kw::Tqc: s.para.nextTab.kind = RtfTab::Center; return WordResult::Done;
    case Kw::Tqdec: s.para.nextTab.kind = RtfTab::Decimal; return WordResult::Done;
    case Kw::TlDot: setLeader(RtfTab::Dots); return WordResult::Done;
    case Kw::TlHyph: setLeader(RtfTab::Hyphens); return WordResult::Done;
    case Kw::TlUl: setLeader(RtfTab::Underline); return WordResult::Done;
    case Kw::TlTh: setLeader(RtfTab::ThickLine); return WordResult::Done;
    case Kw::TlEq: setLeader(RtfTab::Equals); return WordResult::Done;
    case Kw::TlMDot: setLeader(RtfTab::MiddleDots); return WordResult::Done;
    case Kw::Tx: addTab(param, s.para.nextTab.kind); return WordResult::Done;
    case Kw::Tb: addTab(param, RtfTab::Bar); return WordResult::Done;

    // Style sheet.
    case Kw::StyleSheet:
        if (s.dest == Dest::Body && m_states.size() == 3) {
            s.dest = Dest::StyleSheet;
            if (!groupStart)
                s.groupStart = -1; // read, but not kept: see groupClose
        }
        else if (s.dest == Dest::Body)
            return WordResult::SkipGroup;
        return WordResult::Done;
    case Kw::S:
    case Kw::Cs:
        if (s.dest == Dest::StyleSheet) {
            s.dest = Dest::StyleEntry;
            s.ch = CharState();
            s.para = ParaState();
            m_currentStyle = kw == Kw::S ? std::max(param, 0) : -1;
        } else if (kw == Kw::S && s.dest == Dest::Body) {
            // A paragraph style gives what the paragraph does not give itself, wherever
            // the paragraph's own words stand.
            const auto it = m_styles.constFind(param);
            if (it != m_styles.cend()) {
                mergeStyle(s, *it);
                updateCodePage(s);
            }
            s.para.style = param;
        } else if (kw == Kw::Cs && s.dest == Dest::Body) {
            s.ch.charStyle = std::max(param, 0); // written back with the style sheet kept
        }
        return WordResult::Done;
    case Kw::SBasedOn:
        return WordResult::Done; // the style's own words are all it gives

    // Tables.
    case Kw::InTbl:
        s.para.inTable = true;
        m_rowEnded = false;
        return WordResult::Done;
    case Kw::Itap:
        s.para.tableDepth = std::clamp(param, 0, 64);
        m_rowEnded = false;
        return WordResult::Done;
    case Kw::Cell:
    case Kw::NestCell:
        if (s.dest == Dest::Body)
            endCell(kw == Kw::Cell ? 1 : 2);
        return WordResult::Done;
    case Kw::Row:
        if (s.dest == Dest::Body)
            endRow();
        return WordResult::Done;
    case Kw::NestRow:
        if (s.dest == Dest::Body || s.dest == Dest::NestTableProps)
            endNestedRow();
        return WordResult::Done;
    case Kw::NestTableProps:
        if (s.dest != Dest::Body)
            return WordResult::SkipGroup;
        s.dest = Dest::NestTableProps;
        m_nestRow = RtfRowFormat();
        m_cell = RtfRowFormat::Cell();
        m_borderBit = -1;
        return WordResult::Done;
    case Kw::Trowd:
        if (s.dest == Dest::Body || s.dest == Dest::NestTableProps) {
            rowDefinition() = RtfRowFormat();
            m_cell = RtfRowFormat::Cell();
            m_borderBit = -1;
            m_rowEnded = false;
        }
        return WordResult::Done;
    case Kw::Cellx:
        if ((s.dest == Dest::Body || s.dest == Dest::NestTableProps) && rowDefinition().cells.size() < size_t(MaxCells)) {
            m_cell.right = clampTwips(param);
            rowDefinition().cells.push_back(m_cell);
            m_cell = RtfRowFormat::Cell();
            m_borderBit = -1;
        }
        return WordResult::Done;
    case Kw::TrLeft: rowDefinition().left = clampTwips(param); return WordResult::Done;
    case Kw::TrGaph: rowDefinition().gap = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::TrQl: rowDefinition().alignment = RtfAlignment::Left; return WordResult::Done;
    case Kw::TrQr: rowDefinition().alignment = RtfAlignment::Right; return WordResult::Done;
    case Kw::TrQc: rowDefinition().alignment = RtfAlignment::Center; return WordResult::Done;
    case Kw::TrRh: rowDefinition().height = clampTwips(param); return WordResult::Done;
    case Kw::TrHdr: rowDefinition().header = on; return WordResult::Done;
    case Kw::ClCbPat:
        if (param > 0 && size_t(param) < m_colors.size() && !m_colors[size_t(param)].isAuto) {
            m_cell.shaded = true;
            m_cell.shading = m_colors[size_t(param)].rgb;
        }
        return WordResult::Done;
    case Kw::ClBrdrT: setBorder(0); return WordResult::Done;
    case Kw::ClBrdrL: setBorder(1); return WordResult::Done;
    case Kw::ClBrdrB: setBorder(2); return WordResult::Done;
    case Kw::ClBrdrR: setBorder(3); return WordResult::Done;
    case Kw::BrdrNone:
        if (m_borderBit >= 0)
            m_cell.borders = quint8(m_cell.borders & ~(1 << m_borderBit));
        return WordResult::Done;
    case Kw::BrdrStyle:
        return WordResult::Done;
    case Kw::BrdrW:
        if (m_borderBit >= 0)
            m_cell.borderWidth = std::max(m_cell.borderWidth, std::clamp(param, 0, 1440));
        return WordResult::Done;

    // Pictures.
    case Kw::ShpPict:
        return WordResult::Done; // the picture inside is read; \nonshppict is skipped
    case Kw::Pict:
        if (s.dest != Dest::Body || !groupStart)
            return WordResult::SkipGroup;
        s.dest = Dest::Pict;
        m_picture = RtfPicture();
        m_pictNibble = -1;
        return WordResult::Done;
    case Kw::PngBlip: case Kw::JpegBlip: case Kw::WMetafile: case Kw::EmfBlip:
    case Kw::DiBitmap: case Kw::WBitmap: case Kw::MacPict:
        if (s.dest == Dest::Pict) {
            m_picture.kind = kw == Kw::PngBlip    ? RtfPicture::Png
                           : kw == Kw::JpegBlip   ? RtfPicture::Jpeg
                           : kw == Kw::WMetafile  ? RtfPicture::Wmf
                           : kw == Kw::EmfBlip    ? RtfPicture::Emf
                           : kw == Kw::DiBitmap   ? RtfPicture::Dib
                           : kw == Kw::WBitmap    ? RtfPicture::Ddb
                                                  : RtfPicture::Pict;
            if (kw == Kw::WMetafile || kw == Kw::DiBitmap || kw == Kw::WBitmap)
                m_picture.metafileMode = std::max(param, 0);
        }
        return WordResult::Done;
    case Kw::PicW: m_picture.width = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::PicH: m_picture.height = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::PicWGoal: m_picture.goalWidth = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::PicHGoal: m_picture.goalHeight = std::clamp(param, 0, MaxTwips); return WordResult::Done;
    case Kw::PicScaleX: m_picture.scaleX = std::clamp(param, 1, 10000); return WordResult::Done;
    case Kw::PicScaleY: m_picture.scaleY = std::clamp(param, 1, 10000); return WordResult::Done;

    // Fields.
    case Kw::Field:
        if (s.dest == Dest::Body) {
            m_fields.emplace_back();
            s.field = int(m_fields.size());
        }
        return WordResult::Done;
    case Kw::FldInst:
        if (s.dest != Dest::Body || s.field == 0 || size_t(s.field) != m_fields.size())
            return WordResult::SkipGroup;
        s.dest = Dest::FieldInstruction;
        return WordResult::Done;
    case Kw::FldRslt:
        if (s.dest == Dest::Body && s.field > 0)
            s.ch.field = s.field;
        return WordResult::Done;

    // What cannot be kept.
    case Kw::Object:
        if (s.dest == Dest::Body)
            drop(QStringLiteral("OLE object"));
        return WordResult::SkipGroup;
    case Kw::Shape:
        if (s.dest == Dest::Body)
            drop(QStringLiteral("drawing"));
        return WordResult::SkipGroup;
    case Kw::Footnote:
        if (s.dest == Dest::Body)
            drop(QStringLiteral("footnote"));
        return WordResult::SkipGroup;
    case Kw::Annotation:
        if (s.dest == Dest::Body)
            drop(QStringLiteral("comment"));
        return WordResult::SkipGroup;

    // Page set-up of the document, kept as written.
    case Kw::PageWord:
        if (s.dest == Dest::Body && m_states.size() == 2 && m_keptWords.size() < 4096)
            m_keptWords.append('\\').append(token.text, token.size).append(token.hasParam ? QByteArray::number(param) : QByteArray());
        return WordResult::Done;

    default:
        return WordResult::NotMine;
    }
}

// ---------------------------------------------------------------------------
// Pictures

void RtfReader::pictBytes(const char *bytes, qsizetype size)
{
    if (m_picture.data.isEmpty())
        m_picture.data.reserve(size / 2 + 16);
    for (qsizetype i = 0; i < size; ++i) {
        const int h = hexValue(bytes[i]);
        if (h < 0)
            continue; // spaces and anything else between the digits
        if (m_pictNibble < 0) {
            m_pictNibble = h;
        } else {
            m_picture.data.append(char(m_pictNibble << 4 | h));
            m_pictNibble = -1;
        }
    }
}

void RtfReader::finishPicture()
{
    if (top().dest == Dest::Body && !m_picture.data.isEmpty()) {
        beginContent();
        flushRun();
        m_sink.picture(m_picture, resolve(top().ch));
    }
    m_picture = RtfPicture();
    m_pictNibble = -1;
}

// ---------------------------------------------------------------------------
// Fields

void RtfReader::fieldInstructionBytes(const char *bytes, qsizetype size)
{
    if (m_fields.empty() || m_fields.back().instruction.size() > MaxFieldInstruction)
        return;
    codepage::decode(m_utf8Text ? codepage::Utf8CodePage : top().codePage, bytes, size,
                     m_fields.back().instruction);
}

void RtfReader::finishFieldInstruction(const GroupState &closing)
{
    Q_UNUSED(closing);
    if (m_fields.empty())
        return;
    FieldDef &field = m_fields.back();
    field.instruction = field.instruction.trimmed();
    // HYPERLINK "target" [\l "bookmark"] [\o "tip"] ...
    static const QRegularExpression hyperlink(QStringLiteral("^HYPERLINK\\b\\s*(?:\"([^\"]*)\"|([^\\s\"\\\\]+))?(.*)$"),
                                              QRegularExpression::CaseInsensitiveOption
                                                  | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = hyperlink.match(field.instruction);
    if (!m.hasMatch())
        return;
    QString target = m.captured(1).isNull() ? m.captured(2) : m.captured(1);
    static const QRegularExpression bookmark(QStringLiteral("\\\\l\\s*\"([^\"]*)\""));
    const QRegularExpressionMatch b = bookmark.match(m.captured(3));
    if (b.hasMatch())
        target += u'#' + b.captured(1);
    field.link = target.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    field.isLink = !field.link.isEmpty();
}

// ---------------------------------------------------------------------------
// Tables

RtfRowFormat &RtfReader::rowDefinition()
{
    return top().dest == Dest::NestTableProps ? m_nestRow : m_row;
}

// minDepth: 1 for \cell, 2 for \nestcell (a nested table's cell even where \itap is missing).
void RtfReader::endCell(int minDepth)
{
    m_rowEnded = false;
    if (m_pendingHigh || (!m_paraHasContent && !m_label.isEmpty()))
        beginContent();
    if (!m_paraHasContent)
        m_sink.paragraphBegins(std::max(top().para.tableDepth, minDepth), m_row);
    flushRun();
    RtfParaFormat para = resolvePara(top().para);
    para.tableDepth = std::max(para.tableDepth, minDepth);
    m_sink.cellEnd(para, resolve(top().ch));
    m_label.clear();
    m_paraHasContent = false;
}

void RtfReader::endRow()
{
    if (m_paraHasContent)
        endCell(1); // text after the last \cell: a cell of its own
    m_sink.rowEnd(m_row, 1);
    m_rowEnded = true;
}

void RtfReader::endNestedRow()
{
    if (m_paraHasContent)
        endCell(2);
    m_sink.rowEnd(m_nestRow, std::max(top().para.tableDepth, 2));
}

// ---------------------------------------------------------------------------
// Kept and dropped

void RtfReader::drop(const QString &what)
{
    if (m_dropped.contains(what))
        return;
    m_dropped.append(what);
    m_sink.dropped(what);
}

void RtfReader::reportTables()
{
    if (!m_keptWords.isEmpty())
        m_sink.keptWords(m_keptWords);
    QList<RtfFontEntry> fonts;
    fonts.reserve(qsizetype(m_fonts.size()));
    for (FontDef &font : m_fonts) {
        finishFontName(font);
        fonts.append(RtfFontEntry{font.number, font.name, font.charset});
    }
    QList<RtfColorEntry> colors;
    colors.reserve(qsizetype(m_colors.size()));
    for (const ColorDef &color : m_colors)
        colors.append(RtfColorEntry{color.isAuto, color.rgb});
    m_sink.tables(fonts, colors);
    m_sink.codePage(m_defaultCodePage);
}

} // namespace rtf

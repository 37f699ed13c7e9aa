#pragma once

#include "RtfSink.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace rtf {

class RtfTokenizer;
struct RtfToken;
enum class Kw : quint8;

// Reads RTF bytes and reports text runs and paragraphs to a sink. Nesting is kept
// in a vector of group states (no recursion); malformed input never throws: what
// can be read is reported, the rest is dropped.
class RtfReader
{
public:
    explicit RtfReader(RtfSink &sink);

    void read(const char *data, qsizetype size);
    void read(const QByteArray &data) { read(data.constData(), data.size()); }

    // Called with the input offset reached, about every `every` bytes while reading; it may
    // throw to stop the reading (the sink then holds what was read so far).
    void setProgress(std::function<void(qsizetype position)> progress, qsizetype every)
    {
        m_progress = std::move(progress);
        m_progressEvery = every > 0 ? every : 1;
    }

    // Deepest group nesting that gets its own state; deeper groups share the state
    // of the last one (keeps memory bounded on hostile input).
    static constexpr int MaxStateDepth = 200000;

private:
    enum class Dest : quint8 {
        Body, Ignore, FontTable, ColorTable, Pn, PnText, ListText, ListTable, ListOverrideTable, Default, Upr,
        DefPap,
        Pict, FieldInstruction, StyleSheet, StyleEntry, NestTableProps
    };
    struct CharState
    {
        int font = -1; // -1: \deff
        int halfPoints = 24;
        int color = -1; // -1: none given; 0: \cf0 (automatic, said outright)
        quint8 flags = 0;
        // Associated properties (\af \afs \ab \ai) of right-to-left runs (\rtlch).
        int assocFont = -1;
        int assocHalfPoints = 0;
        quint8 assocFlags = 0;
        quint8 vertical = 0;   // RtfCharFormat::Vertical
        quint8 background = 0; // RtfCharFormat::Background
        int backgroundColor = 0; // colour table index
        int raise = 0;         // \up / \dn, half points
        int field = 0;         // 1-based index into m_fields of the field whose result this is
        int charStyle = -1;    // \csN
        bool operator==(const CharState &o) const
        {
            return font == o.font && halfPoints == o.halfPoints && color == o.color && flags == o.flags
                && assocFont == o.assocFont && assocHalfPoints == o.assocHalfPoints && assocFlags == o.assocFlags
                && vertical == o.vertical && background == o.background && backgroundColor == o.backgroundColor
                && raise == o.raise && field == o.field && charStyle == o.charStyle;
        }
        bool operator!=(const CharState &o) const { return !(*this == o); }
    };
    struct ParaState
    {
        RtfAlignment alignment = RtfAlignment::Left;
        RtfListStyle pnStyle = RtfListStyle::None;
        int leftIndent = 0;
        int rightIndent = 0;
        int firstIndent = 0;
        int ls = -1; // \lsN (Word lists); -1: none
        int ilvl = 0;
        bool rightToLeft = false; // \rtlpar
        // \lin and \rin (start and end indents) win over \li and \ri when given.
        bool hasStartIndent = false;
        bool hasEndIndent = false;
        int startIndent = 0;
        int endIndent = 0;
        int spaceBefore = 0;
        int spaceAfter = 0;
        int lineSpacing = 0;
        bool lineMultiple = false;
        bool pageBreakBefore = false;
        bool keepTogether = false;
        bool keepWithNext = false;
        bool inTable = false; // \intbl
        int tableDepth = 0;   // \itap
        std::vector<RtfTab> tabs;
        RtfTab nextTab;       // kind and leader of the tab stop that the next \tx places
        int style = -1;       // \sN
    };
    struct GroupState
    {
        CharState ch;
        ParaState para;
        Dest dest = Dest::Body;
        quint8 uc = 1;
        int codePage = 1252;
        qsizetype groupStart = 0; // offset of the group's "{" in the input
        int field = 0;            // 1-based index into m_fields of the \field group around
    };
    struct StyleDef
    {
        CharState ch;
        ParaState para;
    };
    struct FieldDef
    {
        QString instruction;
        QString link; // the target, for a HYPERLINK field
        bool isLink = false;
    };
    struct FontDef
    {
        int number = 0;
        int charset = -1;
        int cpg = 0;
        QByteArray nameBytes;
        QString name;
        bool nameDone = false;
    };
    struct ListDef
    {
        int id = 0;
        std::vector<int> levelNfc;
    };

    void groupOpen(qsizetype position);
    void groupClose();
    void controlWord(const RtfToken &token, RtfTokenizer &tokenizer);
    void controlSymbol(uchar symbol);
    void textBytes(const char *bytes, qsizetype size);
    void hexByte(uchar byte);
    void unicodeChar(int value);
    void specialChar(char16_t ch);

    // Body text.
    void beginContent();
    void appendBodyBytes(const char *bytes, qsizetype size);
    void appendBodyChars(QStringView chars);
    void syncRun();
    void flushBytes();
    void flushRun();
    void flushPendingSurrogate();
    void endParagraph();

    // Attributes beyond the basic ones, pictures, fields, tables, styles, kept and
    // dropped groups (RtfReaderExtras.cpp).
    enum class WordResult : quint8 { NotMine, Done, SkipGroup };
    WordResult extraWord(Kw kw, const RtfToken &token, GroupState &s, bool groupStart);
    void pictBytes(const char *bytes, qsizetype size);
    void finishPicture();
    void finishFieldInstruction(const GroupState &closing);
    void endCell(int minDepth);
    void announceParagraph(); // tells the sink that a paragraph begins
    void endRow();
    void endNestedRow();
    RtfRowFormat &rowDefinition(); // the row that table words describe here
    void drop(const QString &what);
    void reportTables();
    void fieldInstructionBytes(const char *bytes, qsizetype size);

    // Font, colour and list tables.
    FontDef *fontByNumber(int number);
    void finishFontName(FontDef &font);
    void decodeFontBytes(FontDef &font);
    int ownCodePageOfFont(int number);
    int codePageOfFont(int number);
    int codePageOfRun(const CharState &ch);
    static int effectiveFont(const CharState &ch);
    void updateCodePage(GroupState &s) { s.codePage = codePageOfRun(s.ch); }
    void fontTableBytes(const char *bytes, qsizetype size);
    void colorTableBytes(const char *bytes, qsizetype size);
    const RtfCharFormat &resolve(const CharState &ch);
    RtfParaFormat resolvePara(const ParaState &para) const;
    bool paraIsList(const ParaState &para) const { return para.pnStyle != RtfListStyle::None || para.ls >= 0; }

    GroupState &top() { return m_states.back(); }
    ParaState defaultPara() const;
    void mergeStyle(GroupState &s, const StyleDef &style) const;
    CharState defaultChar() const;

    RtfSink &m_sink;
    const char *m_data = nullptr; // the input, for groups kept byte for byte
    qsizetype m_tokenPos = 0;     // input offset after the token being handled
    QByteArray m_keptWords;       // page set-up words of the document
    std::vector<GroupState> m_states;
    qsizetype m_overflowDepth = 0; // groups deeper than MaxStateDepth
    bool m_ignorableNext = false; // \* seen
    bool m_atGroupStart = false;  // nothing but \* read since the last {
    bool m_done = false;
    std::function<void(qsizetype)> m_progress;
    qsizetype m_progressEvery = 1;

    int m_defaultCodePage = 1252;
    int m_defaultFont = 0;
    bool m_utf8Text = false; // \urtf

    std::vector<FontDef> m_fonts;
    QHash<int, int> m_fontIndex; // font number -> index in m_fonts
    int m_currentFontDef = -1;

    struct ColorDef
    {
        bool isAuto = true;
        QRgb rgb = 0;
    };
    std::vector<ColorDef> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSeen = false;

    ParaState m_defaultPara; // what \pard resets to: \defpap

    std::vector<ListDef> m_lists;
    QHash<int, int> m_overrideToList; // \ls -> \listid
    int m_overrideListId = 0;

    // Style sheet.
    QHash<int, StyleDef> m_styles;
    int m_currentStyle = -1;

    // Pictures, fields and tables.
    RtfPicture m_picture;
    int m_pictNibble = -1; // the high half of a hex byte read, or -1
    std::vector<FieldDef> m_fields;
    RtfRowFormat m_row;        // the row definition being read (\trowd ... \cellx)
    RtfRowFormat m_nestRow;    // the same for a nested table (\nesttableprops)
    // A \row ended the table's last row and no paragraph word followed: the next
    // paragraph is outside the table unless a cell or row word claims it.
    bool m_rowEnded = false;
    RtfRowFormat::Cell m_cell; // attributes of the cell that the next \cellx ends
    int m_borderBit = -1;      // the cell border that \brdrw and \brdrnone describe
    QStringList m_dropped;
    bool m_bodyStarted = false; // text or a paragraph was reported
    bool m_tablesReported = false;

    // Unicode.
    int m_skip = 0;
    char16_t m_pendingHigh = 0;

    // The run being collected.
    QString m_run;
    CharState m_runChar;
    QByteArray m_bytes;
    int m_bytesCodePage = 1252;

    // The paragraph being collected.
    bool m_paraHasContent = false;
    bool m_pageBreakNext = false; // a \page: the next paragraph starts a page
    QString m_label; // \pntext / \listtext of the paragraph

    CharState m_resolvedKey;
    RtfCharFormat m_resolved;
    bool m_resolvedValid = false;
};

} // namespace rtf

#pragma once

#include "RtfSink.h"

#include <QByteArray>
#include <QHash>
#include <QString>

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

    // Deepest group nesting that gets its own state; deeper groups share the state
    // of the last one (keeps memory bounded on hostile input).
    static constexpr int MaxStateDepth = 200000;

private:
    enum class Dest : quint8 {
        Body, Ignore, FontTable, ColorTable, Pn, PnText, ListText, ListTable, ListOverrideTable, Default, Upr,
        DefPap
    };
    struct CharState
    {
        int font = -1; // -1: \deff
        int halfPoints = 24;
        int color = 0;
        quint8 flags = 0;
        // Associated properties (\af \afs \ab \ai) of right-to-left runs (\rtlch).
        int assocFont = -1;
        int assocHalfPoints = 0;
        quint8 assocFlags = 0;
        bool operator==(const CharState &o) const
        {
            return font == o.font && halfPoints == o.halfPoints && color == o.color && flags == o.flags
                && assocFont == o.assocFont && assocHalfPoints == o.assocHalfPoints && assocFlags == o.assocFlags;
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
    };
    struct GroupState
    {
        CharState ch;
        ParaState para;
        Dest dest = Dest::Body;
        quint8 uc = 1;
        int codePage = 1252;
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

    void groupOpen();
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

    // Tables.
    FontDef *fontByNumber(int number);
    void finishFontName(FontDef &font);
    void decodeFontBytes(FontDef &font);
    int codePageOfFont(int number);
    static int effectiveFont(const CharState &ch);
    void updateCodePage(GroupState &s) { s.codePage = codePageOfFont(effectiveFont(s.ch)); }
    void fontTableBytes(const char *bytes, qsizetype size);
    void colorTableBytes(const char *bytes, qsizetype size);
    const RtfCharFormat &resolve(const CharState &ch);
    RtfParaFormat resolvePara(const ParaState &para) const;
    bool paraIsList(const ParaState &para) const { return para.pnStyle != RtfListStyle::None || para.ls >= 0; }

    GroupState &top() { return m_states.back(); }

    RtfSink &m_sink;
    std::vector<GroupState> m_states;
    qsizetype m_overflowDepth = 0; // groups deeper than MaxStateDepth
    bool m_ignorableNext = false; // \* seen
    bool m_atGroupStart = false;  // nothing but \* read since the last {
    bool m_done = false;

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
    int m_pendingCells = 0;
    QString m_label; // \pntext / \listtext of the paragraph

    CharState m_resolvedKey;
    RtfCharFormat m_resolved;
    bool m_resolvedValid = false;
};

} // namespace rtf

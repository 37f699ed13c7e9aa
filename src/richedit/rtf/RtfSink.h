#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <vector>


namespace rtf {

// Character attributes of a run as the reader resolved them (font table and
// colour table already looked up).
struct RtfCharFormat
{
    enum Vertical : quint8 { Baseline, Super, Sub };
    enum Background : quint8 { NoBackground, Highlight, CharBackground, CharShading };

    QString family;        // empty: the font table named none
    int charset = -1;      // \fcharset of the font; -1 when it gives none
    int halfPoints = 24;   // \fs
    bool autoColor = true; // \cf0 or a colour table entry without components
    bool explicitAuto = false; // automatic by a \cf0 of its own (other programs show black)
    QRgb color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Vertical vertical = Baseline; // \super, \sub
    int raise = 0;                // \upN (positive), \dnN (negative), half points
    Background background = NoBackground; // which word gave the background
    QRgb backgroundColor = 0;
    QString link;  // hyperlink target of a HYPERLINK field's result
    QString field; // instruction of another field whose result this run is
    int fieldId = 0; // tells neighbouring fields apart (0: none)
    int charStyle = -1; // \csN of the file's style sheet; -1: none

    bool operator==(const RtfCharFormat &o) const
    {
        return halfPoints == o.halfPoints && charset == o.charset && autoColor == o.autoColor
            && (autoColor || color == o.color) && explicitAuto == o.explicitAuto && bold == o.bold && italic == o.italic
            && underline == o.underline && strikeOut == o.strikeOut && vertical == o.vertical
            && raise == o.raise && background == o.background
            && (background == NoBackground || backgroundColor == o.backgroundColor) && fieldId == o.fieldId
            && charStyle == o.charStyle && family == o.family && link == o.link && field == o.field;
    }
    bool operator!=(const RtfCharFormat &o) const { return !(*this == o); }
};

enum class RtfListStyle : quint8 { None, Disc, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

enum class RtfAlignment : quint8 { Left, Right, Center, Justify };

// A tab stop in RTF terms.
struct RtfTab
{
    enum Kind : quint8 { Left, Right, Center, Decimal, Bar };
    enum Leader : quint8 { NoLeader, Dots, Hyphens, Underline, ThickLine, Equals, MiddleDots };
    int position = 0; // twips from the left margin
    Kind kind = Left;
    Leader leader = NoLeader;
    bool operator==(const RtfTab &o) const { return position == o.position && kind == o.kind && leader == o.leader; }
};

// Paragraph attributes in RTF units (twips). In a right-to-left paragraph the left indent and
// the first-line indent stand on its start side (the right) and the right indent on its end
// side, as LibreOffice reads and writes them; alignment is physical in either direction.
struct RtfParaFormat
{
    RtfAlignment alignment = RtfAlignment::Left;
    bool rightToLeft = false; // \rtlpar
    int leftIndent = 0;  // \li, or \lin when given
    int rightIndent = 0; // \ri, or \rin when given
    int firstIndent = 0; // \fi, relative to \li
    RtfListStyle list = RtfListStyle::None;
    // Paragraphs with equal keys belong to one list. Keys of Word-style lists
    // (\ls) stay valid through the whole document; old-style (\pn) lists only
    // join neighbouring paragraphs.
    qint64 listKey = 0;
    bool listSpansDocument = false;
    int spaceBefore = 0; // \sb
    int spaceAfter = 0;  // \sa
    int lineSpacing = 0; // \sl: 0 single, > 0 at least, < 0 exactly (twips)
    bool lineMultiple = false; // \slmult1: \sl is 240ths of a single line
    bool pageBreakBefore = false; // \pagebb, or a \page ended the paragraph before
    bool keepTogether = false;    // \keep
    bool keepWithNext = false;    // \keepn
    std::vector<RtfTab> tabs;     // in the order given
    int tableDepth = 0;           // \itap (1 with \intbl alone); 0 outside tables
    int style = -1;               // \sN of the file's style sheet; -1: none
};

// One row of a table as \trowd ... \cellx describe it.
struct RtfRowFormat
{
    struct Cell
    {
        int right = 0;          // \cellx: right edge, twips from the row's left
        bool shaded = false;    // \clcbpat
        QRgb shading = 0;
        quint8 borders = 0;     // bit 0 top, 1 left, 2 bottom, 3 right
        int borderWidth = 0;    // twips of the widest border
    };
    std::vector<Cell> cells;
    int left = 0;      // \trleft
    int gap = 0;       // \trgaph: half the room between cells
    RtfAlignment alignment = RtfAlignment::Left; // \trql \trqr \trqc
    int height = 0;    // \trrh
    bool header = false; // \trhdr
};

// A picture (\pict) with its data as read (hex decoded, or the \bin payload).
struct RtfPicture
{
    enum Kind : quint8 { Unknown, Png, Jpeg, Wmf, Emf, Dib, Ddb, Pict };
    Kind kind = Unknown;
    int width = 0, height = 0;         // \picw \pich (pixels, or 100ths of mm for metafiles)
    int goalWidth = 0, goalHeight = 0; // \picwgoal \pichgoal (twips)
    int scaleX = 100, scaleY = 100;    // \picscalex \picscaley (per cent)
    int metafileMode = 0;              // \wmetafileN
    QByteArray data;
};

// An entry of the file's font table and of its colour table.
struct RtfFontEntry
{
    int number = 0;
    QString family;
    int charset = -1;
};
struct RtfColorEntry
{
    bool isAuto = true;
    QRgb rgb = 0;
};

// Receives what the reader finds, in document order.
class RtfSink
{
public:
    virtual ~RtfSink() = default;
    // Text of one run (never holds CR, LF or U+2029; a line break is U+2028).
    virtual void text(const QString &text, const RtfCharFormat &format) = 0;
    // End of a paragraph (\par); format: the character attributes at its end.
    virtual void paragraph(const RtfParaFormat &para, const RtfCharFormat &format) = 0;
    // The input ended. openParagraph: text followed the last paragraph end.
    virtual void finish(const RtfParaFormat &para, const RtfCharFormat &format, bool openParagraph) = 0;
    // The document named the attributes that new text takes.
    virtual void defaultFormat(const RtfCharFormat &format) { Q_UNUSED(format); }
    // A picture in the text (one position), in the attributes around it.
    virtual void picture(const RtfPicture &picture, const RtfCharFormat &format)
    {
        Q_UNUSED(picture);
        Q_UNUSED(format);
    }
    // A table cell ends (\cell): para and format are those of its last paragraph,
    // which this ends too.
    virtual void cellEnd(const RtfParaFormat &para, const RtfCharFormat &format)
    {
        Q_UNUSED(para);
        Q_UNUSED(format);
    }
    // A paragraph begins (before its first text, or at its end when it has none).
    // tableDepth: as in RtfParaFormat; row: the row definition last read, which a
    // table paragraph's row normally follows (writers give \trowd before the cells).
    virtual void paragraphBegins(int tableDepth, const RtfRowFormat &row)
    {
        Q_UNUSED(tableDepth);
        Q_UNUSED(row);
    }
    // A table row ends (\row, or \nestrow for tableDepth 2 and deeper) with the
    // cells the row's definition gives. A nested table's row definition comes after
    // its cells (\nesttableprops), so its paragraphs begin with an empty one.
    virtual void rowEnd(const RtfRowFormat &row, int tableDepth)
    {
        Q_UNUSED(row);
        Q_UNUSED(tableDepth);
    }
    // A group of the document that nothing shows (information, style sheet,
    // headers and footers ...), byte for byte from "{" to "}"; fonts and colours
    // in it are numbers of the tables reported by tables().
    virtual void keptGroup(const QByteArray &group) { Q_UNUSED(group); }
    // Words of the document's page set-up (margins, paper size), as written.
    virtual void keptWords(const QByteArray &words) { Q_UNUSED(words); }
    // The file's own font and colour tables, for the numbers in kept groups.
    virtual void tables(const QList<RtfFontEntry> &fonts, const QList<RtfColorEntry> &colors)
    {
        Q_UNUSED(fonts);
        Q_UNUSED(colors);
    }
    // The document's code page (\ansicpg), in which kept groups spell their bytes.
    virtual void codePage(int codePage) { Q_UNUSED(codePage); }
    // Something of the document that the reader cannot keep (a short name such
    // as "OLE object"), once per kind.
    virtual void dropped(const QString &what) { Q_UNUSED(what); }
};

} // namespace rtf

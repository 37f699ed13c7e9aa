#pragma once

#include <QRgb>
#include <QString>


namespace rtf {

// Character attributes of a run as the reader resolved them (font table and
// colour table already looked up).
struct RtfCharFormat
{
    QString family;        // empty: the font table named none
    int charset = -1;      // \fcharset of the font; -1 when it gives none
    int halfPoints = 24;   // \fs
    bool autoColor = true; // \cf0 or a colour table entry without components
    QRgb color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const RtfCharFormat &o) const
    {
        return halfPoints == o.halfPoints && charset == o.charset && autoColor == o.autoColor
            && (autoColor || color == o.color) && bold == o.bold && italic == o.italic
            && underline == o.underline && strikeOut == o.strikeOut && family == o.family;
    }
    bool operator!=(const RtfCharFormat &o) const { return !(*this == o); }
};

enum class RtfListStyle : quint8 { None, Disc, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

enum class RtfAlignment : quint8 { Left, Right, Center, Justify };

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
};

} // namespace rtf

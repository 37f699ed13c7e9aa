#pragma once

#include "KeptParts.h"
#include "ScriptFace.h"

#include <QByteArray>
#include <QHash>
#include <QRgb>
#include <QString>
#include <QTextCharFormat>
#include <QTextFrame>
#include <QTextImageFormat>

#include <vector>

class QIODevice;
class QTextBlock;
class QTextDocument;
class QTextTable;

namespace rtf {

// Writes a QTextDocument as RTF in the subset that rich-edit controls write:
// \pard paragraphs, inline toggles, \pntext/\pn bullets, \uN? for everything
// beyond ASCII.
class RtfWriter
{
public:
    // doc: the document, or the first of the parts it is handed over in (its default font and
    // the parts kept with it are the file's).
    RtfWriter(const QTextDocument &doc, const QTextCharFormat &defaultFormat);

    // The whole document.
    QByteArray write();

    // A document handed over in parts, each a document of its own holding the next paragraphs
    // (and no tables, pictures or lists running on into the next part): made with the first
    // part, start(), writePart() for each part in order (the first included), then finish().
    // A part may go once it is written; characters: the whole document's.
    void start(qsizetype characters);
    void writePart(const QTextDocument &part);
    QByteArray finish();

    // Set before start(): the body goes to `body` a megabyte at a time as it is written, and
    // finish() returns only the header, which the file begins with, the body following it. A
    // failed write to `body` is the device's to report.
    void spillBodyTo(QIODevice *body) { m_spill = body; }

private:
    struct CharProps
    {
        int font = 0;
        int halfPoints = 24;
        int color = 0; // 0: automatic
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeOut = false;
        quint8 vertical = 0;   // RtfCharFormat::Vertical
        int raise = 0;         // \up / \dn
        quint8 background = 0; // RtfCharFormat::Background
        int backgroundColor = 0;
        int fieldId = 0;       // 0: not in a field
        QString field;         // the field's whole instruction
        int charStyle = -1;    // \csN of the kept style sheet
        bool operator==(const CharProps &o) const
        {
            return charStyle == o.charStyle && font == o.font && halfPoints == o.halfPoints && color == o.color && bold == o.bold
                && italic == o.italic && underline == o.underline && strikeOut == o.strikeOut
                && vertical == o.vertical && raise == o.raise && background == o.background
                && backgroundColor == o.backgroundColor;
        }
        bool operator!=(const CharProps &o) const { return !(*this == o); }
    };
    struct ParaProps
    {
        int alignment = 0; // 0 left, 1 right, 2 centre, 3 justified
        int leftIndent = 0;
        int rightIndent = 0;
        int firstIndent = 0;
        int list = 0; // QTextListFormat::Style, 0 for none
        bool rightToLeft = false;
        int spaceBefore = 0;
        int spaceAfter = 0;
        int lineSpacing = 0;
        bool lineMultiple = false;
        bool pageBreakBefore = false;
        bool keepTogether = false;
        bool keepWithNext = false;
        QList<int> tabs; // position, kind, leader per stop
        int tableDepth = 0; // \intbl, \itap
        int style = -1;     // \sN of the kept style sheet
        bool operator==(const ParaProps &o) const
        {
            return tableDepth == o.tableDepth && style == o.style && alignment == o.alignment && leftIndent == o.leftIndent && rightIndent == o.rightIndent
                && firstIndent == o.firstIndent && list == o.list && rightToLeft == o.rightToLeft
                && spaceBefore == o.spaceBefore && spaceAfter == o.spaceAfter && lineSpacing == o.lineSpacing
                && lineMultiple == o.lineMultiple && pageBreakBefore == o.pageBreakBefore
                && keepTogether == o.keepTogether && keepWithNext == o.keepWithNext && tabs == o.tabs;
        }
        bool operator!=(const ParaProps &o) const { return !(*this == o); }
    };
    struct FontKey
    {
        QString family;
        int charset;
        bool operator==(const FontKey &o) const { return charset == o.charset && family == o.family; }
    };
    friend size_t qHash(const FontKey &key, size_t seed) { return qHashMulti(seed, key.family, key.charset); }

    CharProps propsOf(const QTextCharFormat &format);
    const CharProps &propsOfIndex(int formatIndex);
    int fontId(const QString &family, int charset);
    int colorId(QRgb rgb);
    ParaProps paraOf(const QTextBlock &block) const;

    void writeBlock(const QTextBlock &block, const char *end = "\\par\r\n");
    void writeTable(const QTextTable &table, int depth);
    void writeItems(QTextFrame::iterator it, const QTextFrame::iterator &end, int depth, const QTextBlock &last);
    static CharProps unlike(const CharProps &p);
    void writeRowDefinition(const QTextTable &table, int row);
    void writeParaProps(const ParaProps &para, const QTextBlock &block);
    void writeListLabel(const ParaProps &para, const QTextBlock &block);
    void switchTo(const CharProps &props, bool rightToLeft = false, int assocFont = -1);
    void writeText(const QString &text);
    void writeTextSlice(const QChar *c, qsizetype length);
    void makeRoom(qsizetype bytes);
    void writeFragment(const QString &text, const QTextCharFormat &format, const CharProps &props);
    void writePicture(const QTextImageFormat &format);
    void switchField(const CharProps &props);
    void writeTabs(const QList<int> &tabs);
    QByteArray renumbered(const QByteArray &group);
    void prepareKeptParts();
    void writeWord(const char *word);
    void writeWord(const char *word, int param);
    void writeFontName(const QString &name);
    QByteArray header();

    const QTextDocument *m_doc; // the part being written
    const QTextCharFormat m_defaultFormat;
    QString m_defaultFamily;
    int m_defaultCharset = 1;
    qreal m_defaultPointSize = 12;

    std::vector<FontKey> m_fonts;
    QHash<FontKey, int> m_fontIds;
    int m_symbolFont = -1;
    std::vector<QRgb> m_colors; // index 0 unused: the automatic colour
    QHash<QRgb, int> m_colorIds;
    QHash<int, CharProps> m_propsByIndex;
    ScriptFace m_scriptFace;
    QList<QTextFormat> m_allFormats; // taken once per part: a part does not change while written

    QByteArray m_out;
    QIODevice *m_spill = nullptr;
    void spill(qsizetype atLeast);
    bool m_needDelimiter = false;
    CharProps m_current;
    bool m_rightToLeft = false;
    CharProps m_associated; // \af \afs \ab \ai last written
    bool m_associatedValid = false;
    ParaProps m_currentPara;
    bool m_firstPara = true;
    bool m_writeStyles = false; // the style sheet is kept: paragraphs and runs name their styles
    bool m_forceChar = false;   // a style was named: the next run says all its attributes

    // The field whose result is being written, and the attributes in force
    // where its group began (restored when it closes).
    int m_fieldId = 0;
    CharProps m_beforeField;
    bool m_rightToLeftBeforeField = false;
    CharProps m_associatedBeforeField;
    bool m_associatedValidBeforeField = false;

    // Kept parts of the document, renumbered for this file's tables.
    QList<QByteArray> m_headerGroups;  // after the colour table
    QList<QByteArray> m_sectionGroups; // headers and footers, before the text
    QByteArray m_keptWords;
    KeptParts m_kept;
};

} // namespace rtf

#pragma once

#include "KeptParts.h"
#include "RtfSink.h"

#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextFormat>
#include <QTextImageFormat>

#include <vector>

class QTextList;
class QTextTable;

namespace rtf {

// Builds QTextDocument content from what the reader reports, at a cursor.
// Whole-document mode formats the last paragraph too; insert mode leaves the
// paragraph that the inserted text runs into as it is.
class DocumentBuilder : public RtfSink
{
public:
    enum class Mode { WholeDocument, Insert };

    DocumentBuilder(QTextCursor &cursor, Mode mode);

    void text(const QString &text, const RtfCharFormat &format) override;
    void paragraph(const RtfParaFormat &para, const RtfCharFormat &format) override;
    void finish(const RtfParaFormat &para, const RtfCharFormat &format, bool openParagraph) override;
    void defaultFormat(const RtfCharFormat &format) override;
    void picture(const RtfPicture &picture, const RtfCharFormat &format) override;
    void cellEnd(const RtfParaFormat &para, const RtfCharFormat &format) override;
    void paragraphBegins(int tableDepth, const RtfRowFormat &row) override;
    void rowEnd(const RtfRowFormat &row, int tableDepth) override;
    void keptGroup(const QByteArray &group) override;
    void keptWords(const QByteArray &words) override;
    void tables(const QList<RtfFontEntry> &fonts, const QList<RtfColorEntry> &colors) override;
    void codePage(int codePage) override;
    void dropped(const QString &what) override;

    // What the document holds beyond its text (whole-document mode).
    const KeptParts &keptParts() const { return m_kept; }

    bool hasDefaultFormat() const { return m_hasDefault; }
    QTextCharFormat defaultCharFormat() const { return m_default; }

    // The character format the control uses for these attributes.
    static QTextCharFormat toCharFormat(const RtfCharFormat &format);
    static QTextBlockFormat toBlockFormat(const RtfParaFormat &para);
    // The image format of a picture (its name: the document resource, if decoded).
    static QTextImageFormat toImageFormat(const RtfPicture &picture, const QString &name);

    // The table and cell formats of a row definition (widths, borders, shading, alignment).
    static QTextTableFormat toTableFormat(const RtfRowFormat &row);
    static QTextTableCellFormat toCellFormat(const RtfRowFormat::Cell &cell);

    // Deepest table nesting kept; deeper tables are read as paragraphs of their cell.
    static constexpr int MaxTableDepth = 8;

private:
    struct TableLevel
    {
        QTextTable *table = nullptr;
        int row = 0, column = 0;
        bool inCell = false;  // the cursor is in cell (row, column)
        bool rowDone = false; // the row's end ended row `row`
        int columnsAtRowStart = 1;
    };

    void openParagraph();
    void enterCell(int depth, const RtfRowFormat &row);
    void leaveTable();
    void finishRow(TableLevel &level, const RtfRowFormat &row);
    const QTextCharFormat &charFormat(const RtfCharFormat &format);
    void applyList(const RtfParaFormat &para);

    QTextCursor &m_cursor;
    Mode m_mode;
    bool m_first = true;
    bool m_open = false;
    bool m_paragraphHasText = false;

    QHash<RtfCharFormat, QTextCharFormat> m_charFormats;
    RtfCharFormat m_lastKey;
    QTextCharFormat m_lastFormat;
    bool m_lastValid = false;

    QHash<qint64, QTextList *> m_documentLists;
    QTextList *m_previousList = nullptr;
    qint64 m_previousListKey = 0;

    bool m_hasDefault = false;
    QTextCharFormat m_default;

    KeptParts m_kept;
    // Tables. Inserted text that lands in a table already is flattened: cells
    // separated by tabs, a row ending its paragraph.
    bool m_flatten = false;
    int m_pendingCellTabs = 0;
    RtfParaFormat m_lastCellPara;
    RtfCharFormat m_lastCellFormat;
    bool m_rowOpen = false;
    std::vector<TableLevel> m_tables; // the table the cursor is in, outermost first
    int m_pictureCount = 0;
};

size_t qHash(const RtfCharFormat &format, size_t seed = 0);

} // namespace rtf

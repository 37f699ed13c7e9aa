#pragma once

#include <QList>
#include <QRectF>
#include <QTextFormat>
#include <QTextLength>
#include <QTextTable>

#include <functional>
#include <vector>

class QPainter;
class QTextBlock;

// The place of one paragraph of a table: x from the left edge of the document, y from the top
// of the table, in device units; the row it stands in (the first row of a merged cell).
struct TablePlace
{
    qreal x = 0, y = 0, width = 0, height = 0;
    int row = 0;
};

// A table as laid out. The table is one item of the document layout: its height is that of
// the whole table, and each of its paragraphs has a place inside it.
struct TableGeometry
{
    qreal left = 0;   // outer box of the table, from the left edge of the document
    qreal width = 0;
    qreal height = 0; // margins included
    std::vector<qreal> columnX, columnWidths; // box of the cells of each column
    std::vector<qreal> rowY, rowHeights;      // box of the cells of each row, from the table's top
    std::vector<TablePlace> blocks;           // one per paragraph of the table, in document order

    // What the layout was made for: a change of any of these lays the whole table out again.
    QTextTableFormat format;
    qreal areaLeft = 0, areaWidth = 0, scale = 1;

    // The box of a cell, merged cells included, relative to the table's top.
    QRectF cellRect(const QTextTableCell &cell) const;
    // The row and the column under a point (the gaps between cells belong to the cell before).
    int rowAt(qreal y) const;
    int columnAt(qreal x) const;
};

// Lays out one paragraph with its lines starting at x (document coordinates) in the given
// width, at y 0 of its QTextLayout; returns its height.
using LayoutParagraph = std::function<qreal(QTextBlock &block, qreal x, qreal width)>;

namespace TableFlow {

// The outermost table that holds the paragraph, or nullptr. Tables inside cells are not laid
// out as tables: their paragraphs stand one under the other in the cell of the outer one.
QTextTable *tableOf(const QTextBlock &block);

// Widths of the columns, for the room left for cells (device units): fixed lengths (in
// screen pixels, times scale), percentages of the room, and an equal share of what is left for
// the others. When they need more than the room, all shrink in proportion: a table never
// reaches past the text area.
std::vector<qreal> columnWidths(const QList<QTextLength> &constraints, int columns, qreal room, qreal scale);

// Lays the table out in a text area that starts at areaLeft and is areaWidth wide. Every
// paragraph of the table is laid out at the inner width of its cell, and its QTextLayout is
// placed where it stands (x from the document's left edge, y from the table's top).
TableGeometry layout(QTextTable *table, qreal areaLeft, qreal areaWidth, qreal scale,
                     const LayoutParagraph &layoutParagraph);

// The rows laid out again by relayoutRows: [firstRow, lastRow], and how much the rows below
// them moved down (negative: up).
struct RowChange
{
    int firstRow = -1, lastRow = -1;
    qreal shift = 0;
    bool isValid() const { return firstRow >= 0; }
};

// After an edit inside the table that replaced its paragraphs [from, from + removed) (indexes
// into geometry.blocks, as laid out) by `added` paragraphs, lays out again only the rows that
// hold the new ones, each as tall as its tallest cell again, and moves the rows below by the
// difference. Rows joined by a merged cell are laid out together. Returns an invalid change,
// and leaves the geometry as it was, when the table's rows, columns or format, or the area,
// are no longer those of the geometry: the whole table must then be laid out again.
RowChange relayoutRows(QTextTable *table, TableGeometry &geometry, int from, int removed, int added,
                       qreal areaLeft, qreal areaWidth, qreal scale, const LayoutParagraph &layoutParagraph);

// The cells that meet the rows between y0 and y1 (from the table's top), each once: a merged
// cell that begins in a row above them too. Painting goes through these only, so that a
// repaint near the end of a long table does not visit every cell above it.
std::vector<QTextTableCell> cellsIn(QTextTable *table, const TableGeometry &geometry, qreal y0, qreal y1);

// Shading of the table and of its cells that meet the clip; top is the table's top.
void drawBackgrounds(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top,
                     const QRectF &clip);
// Borders of the cells, each centred on the cell's edge (neighbouring borders coincide).
void drawBorders(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top, qreal scale,
                 const QRectF &clip);

} // namespace TableFlow

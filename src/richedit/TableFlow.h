#pragma once

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QTextFormat>
#include <QTextLength>
#include <QTextTable>

#include <functional>
#include <vector>

class QPainter;
class QTextBlock;

// The place of one paragraph of a table: x from the left edge of the document, y from the top
// of the outermost table around it, in device units; the row of that table it stands in (the
// first row of a merged cell).
struct TablePlace
{
    qreal x = 0, y = 0, width = 0, height = 0;
    int row = 0;
};

// A table as laid out. The outermost table is one item of the document layout: its height is
// that of the whole table, and each of its paragraphs, those of the tables in its cells
// included, has a place inside it. A table in a cell stands in the cell's box as one more
// item of the cell, after the paragraphs before it; its vertical places count from the top of
// the outermost table too, so that one origin serves every table of the item.
struct TableGeometry
{
    qreal left = 0;   // outer box of the table, from the left edge of the document
    qreal top = 0;    // from the outermost table's top (0 for that one)
    qreal width = 0;
    qreal height = 0; // margins included
    std::vector<qreal> columnX, columnWidths; // box of the cells of each column
    std::vector<qreal> rowY, rowHeights;      // box of the cells of each row, from the outermost table's top
    // The outermost table's only: one per paragraph of the table, nested ones' included, in
    // document order.
    std::vector<TablePlace> blocks;
    // The tables in this one's cells, in document order (those in their cells in theirs).
    std::vector<TableGeometry> nested;
    // A table in a cell: which one, its paragraphs (indexes into the outermost table's
    // blocks) and the row of the outermost table it stands in.
    QPointer<QTextTable> table;
    int firstBlock = 0, blockCount = 0;
    int outerRow = 0;

    // What the layout was made for: a change of any of these lays the whole table out again.
    QTextTableFormat format;
    qreal areaLeft = 0, areaWidth = 0, scale = 1;

    // The box of a cell, merged cells included, relative to the outermost table's top.
    QRectF cellRect(const QTextTableCell &cell) const;
    // The row and the column under a point (the gaps between cells belong to the cell before).
    int rowAt(qreal y) const;
    int columnAt(qreal x) const;
    // The geometry of a table in the cells, at any depth; nullptr when it is none of them.
    const TableGeometry *find(const QTextTable *nestedTable) const;
};

// Lays out one paragraph with its lines starting at x (document coordinates) in the given
// width, at y 0 of its QTextLayout; returns its height.
using LayoutParagraph = std::function<qreal(QTextBlock &block, qreal x, qreal width)>;

namespace TableFlow {

// The outermost table that holds the paragraph, or nullptr. Tables inside its cells are laid
// out with it, as part of the same item.
QTextTable *tableOf(const QTextBlock &block);

// Widths of the columns, for the room left for cells (device units): fixed lengths (in
// screen pixels, times scale), percentages of the room, and an equal share of what is left for
// the others. When they need more than the room, all shrink in proportion: a table never
// reaches past the text area.
std::vector<qreal> columnWidths(const QList<QTextLength> &constraints, int columns, qreal room, qreal scale);

// Lays the table out in a text area that starts at areaLeft and is areaWidth wide. Every
// paragraph of the table is laid out at the inner width of its cell, and its QTextLayout is
// placed where it stands (x from the document's left edge, y from the table's top). A table in
// a cell is laid out the same way in the cell's inner width, and the cell grows to hold it.
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
// difference. An edit in a table inside a cell lays out the outermost table's rows that hold
// it, tables in their cells and all. Rows joined by a merged cell are laid out together. Returns an invalid change,
// and leaves the geometry as it was, when the table's rows, columns or format, or the area,
// are no longer those of the geometry: the whole table must then be laid out again.
RowChange relayoutRows(QTextTable *table, TableGeometry &geometry, int from, int removed, int added,
                       qreal areaLeft, qreal areaWidth, qreal scale, const LayoutParagraph &layoutParagraph);

// The cells that meet the rows between y0 and y1 (from the outermost table's top), each once:
// a merged cell that begins in a row above them too. Painting goes through these only, so that
// a repaint near the end of a long table does not visit every cell above it.
std::vector<QTextTableCell> cellsIn(QTextTable *table, const TableGeometry &geometry, qreal y0, qreal y1);

// Calls visit(table, geometry) for the outermost table and for each table in its cells, at any
// depth, whose box meets the band between y0 and y1 (from the outermost table's top).
void forEachTable(QTextTable *table, const TableGeometry &geometry, qreal y0, qreal y1,
                  const std::function<void(QTextTable *, const TableGeometry &)> &visit);

// The number of the paragraph under a point given from the outermost table's top: in the cell
// under it (in the table of a cell, when the point is on that table), the last paragraph that
// begins above the point, else the cell's first. firstBlock: the number of the table's first.
int blockAt(QTextTable *table, const TableGeometry &geometry, int firstBlock, const QPointF &point);

// Shading of the tables and of their cells that meet the clip; top is the outermost table's top.
void drawBackgrounds(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top,
                     const QRectF &clip);
// Borders of the tables' cells, each centred on the cell's edge (neighbouring borders coincide).
void drawBorders(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top, qreal scale,
                 const QRectF &clip);

} // namespace TableFlow

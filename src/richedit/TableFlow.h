#pragma once

#include <QList>
#include <QRectF>
#include <QTextLength>

#include <functional>
#include <vector>

class QPainter;
class QTextBlock;
class QTextTable;
class QTextTableCell;

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

// Shading of the table and of its cells that meet the clip; top is the table's top.
void drawBackgrounds(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top,
                     const QRectF &clip);
// Borders of the cells, each centred on the cell's edge (neighbouring borders coincide).
void drawBorders(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top, qreal scale,
                 const QRectF &clip);

} // namespace TableFlow

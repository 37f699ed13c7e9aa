#include "TableFlow.h"

#include "RtfCodec.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Twips per screen pixel (1440 per inch, 96 pixels per inch).
constexpr qreal kTwipsPerPixel = 15;
// Narrowest column, in screen pixels: room for the caret and a little text.
constexpr qreal kMinColumnWidth = 4;
// How far a cell's border may reach past the cell's box (half its width), in device units.
constexpr qreal kBorderReach = 4;

qreal cellPadding(const QTextTableCellFormat &cell, QTextFormat::Property property, const QTextTableFormat &table)
{
    if (cell.hasProperty(property))
        return cell.doubleProperty(property);
    // A table read from RTF holds its row's half gap (\trgaph) as the cell padding: that gap
    // is room at the left and right of the text only.
    const bool vertical = property == QTextFormat::TableCellTopPadding || property == QTextFormat::TableCellBottomPadding;
    if (vertical && table.hasProperty(rtf::TableGapProperty))
        return 0;
    return table.cellPadding();
}

// A cell's border on one side in screen pixels: its own, else the table's.
// The width of the table's own border, in screen pixels; 0 when it has none.
qreal tableBorder(const QTextTableFormat &table)
{
    return table.borderStyle() == QTextFrameFormat::BorderStyle_None ? 0 : table.border();
}

qreal cellBorder(const QTextTableCellFormat &cell, QTextFormat::Property width, QTextFormat::Property style,
                 const QTextTableFormat &table)
{
    if (cell.hasProperty(style) && cell.intProperty(style) == QTextFrameFormat::BorderStyle_None)
        return 0;
    if (cell.hasProperty(width))
        return cell.doubleProperty(width);
    return tableBorder(table);
}

struct Insets
{
    qreal left, top, right, bottom;
};

// Room between a cell's box and its text: border and padding on each side.
Insets cellInsets(const QTextTableCellFormat &cell, const QTextTableFormat &table, qreal scale)
{
    return {(cellBorder(cell, QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle, table)
             + cellPadding(cell, QTextFormat::TableCellLeftPadding, table))
                * scale,
            (cellBorder(cell, QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle, table)
             + cellPadding(cell, QTextFormat::TableCellTopPadding, table))
                * scale,
            (cellBorder(cell, QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle, table)
             + cellPadding(cell, QTextFormat::TableCellRightPadding, table))
                * scale,
            (cellBorder(cell, QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle, table)
             + cellPadding(cell, QTextFormat::TableCellBottomPadding, table))
                * scale};
}

qreal twipsToDevice(int twips, qreal scale)
{
    return std::abs(twips) / kTwipsPerPixel * scale;
}

// The height (\trrh, twips) a cell holds for the row it begins in; 0 when it holds none. A row
// is at least as tall as the first of its cells that holds one says, else as the table says for
// every row. A negative \trrh asks for an exact height: it is laid out as a least one too, so
// that no text is ever cut off.
int rowHeightTwips(const QTextTableCellFormat &cell)
{
    return cell.hasProperty(rtf::CellRowHeightProperty) ? cell.intProperty(rtf::CellRowHeightProperty) : 0;
}

// The table in a cell of `table` that holds the paragraph, or nullptr when the paragraph stands
// in the cell itself (or in a frame there that is no table: its paragraphs count as the cell's).
QTextTable *tableInCell(const QTextDocument *doc, const QTextTable *table, const QTextBlock &block)
{
    QTextFrame *frame = doc->frameAt(block.position());
    while (frame && frame != table && frame->parentFrame() != table)
        frame = frame->parentFrame();
    return frame == table ? nullptr : qobject_cast<QTextTable *>(frame);
}

// Moves a table in a cell, and the tables in its cells, down by dy; their paragraphs' indexes
// into the outermost table's blocks move by dIndex. (Their paragraphs' places are moved apart.)
void moveNested(TableGeometry &g, qreal dy, int dIndex)
{
    g.top += dy;
    for (qreal &y : g.rowY)
        y += dy;
    g.firstBlock += dIndex;
    for (TableGeometry &n : g.nested)
        moveNested(n, dy, dIndex);
}

} // namespace

const TableGeometry *TableGeometry::find(const QTextTable *nestedTable) const
{
    if (!nestedTable)
        return nullptr;
    for (const TableGeometry &n : nested) {
        if (n.table == nestedTable)
            return &n;
        if (const TableGeometry *deeper = n.find(nestedTable))
            return deeper;
    }
    return nullptr;
}

QRectF TableGeometry::cellRect(const QTextTableCell &cell) const
{
    const int rows = int(rowY.size());
    const int columns = int(columnX.size());
    if (rows == 0 || columns == 0)
        return QRectF();
    const int r = qBound(0, cell.row(), rows - 1);
    const int c = qBound(0, cell.column(), columns - 1);
    const int lastRow = qBound(r, cell.row() + cell.rowSpan() - 1, rows - 1);
    const int lastColumn = qBound(c, cell.column() + cell.columnSpan() - 1, columns - 1);
    return QRectF(QPointF(columnX[c], rowY[r]),
                  QPointF(columnX[lastColumn] + columnWidths[lastColumn], rowY[lastRow] + rowHeights[lastRow]));
}

int TableGeometry::rowAt(qreal y) const
{
    const auto it = std::upper_bound(rowY.begin(), rowY.end(), y);
    return qMax(0, int(it - rowY.begin()) - 1);
}

int TableGeometry::columnAt(qreal x) const
{
    const auto it = std::upper_bound(columnX.begin(), columnX.end(), x);
    return qMax(0, int(it - columnX.begin()) - 1);
}

namespace {

// What the tables of one item (the outermost table and those in its cells) share while they
// are laid out.
struct ItemLayout
{
    const QTextDocument *doc;
    std::vector<TablePlace> &blocks; // the outermost table's
    int firstBlock;                  // the number of its first paragraph
    const LayoutParagraph &layoutParagraph;
};

// One cell as laid out: its paragraphs, those of the tables in it included, are the item's
// blocks[from..to], one under the other from y 0 of the cell until placeCells moves them into
// the cell's box; its tables are [nestedFrom, nestedTo) of the list they were laid out into.
struct LaidOutCell
{
    QTextTableCell cell;
    qreal contentHeight; // text with the insets above and below it
    qreal insetTop;
    int from, to;
    int nestedFrom, nestedTo;
};

void layoutTable(const ItemLayout &item, QTextTable *table, TableGeometry &g, qreal areaLeft, qreal areaWidth,
                 qreal scale, qreal top, int outerRow);

// The table's box and its columns in a text area (or a cell) that starts at areaLeft.
void layoutColumns(QTextTable *table, TableGeometry &g)
{
    const QTextTableFormat &format = g.format;
    const qreal scale = g.scale;
    const int columns = table->columns();
    const qreal border = tableBorder(format) * scale;
    const qreal spacing = format.cellSpacing() * scale;
    const qreal marginLeft = format.leftMargin() * scale;
    const qreal marginRight = format.rightMargin() * scale;
    const qreal room = g.areaWidth - marginLeft - marginRight - 2 * border - (columns + 1) * spacing;
    g.columnWidths = TableFlow::columnWidths(format.columnWidthConstraints(), columns, room, scale);
    g.width = std::accumulate(g.columnWidths.begin(), g.columnWidths.end(), qreal(0)) + 2 * border
        + (columns + 1) * spacing;
    qreal left = marginLeft;
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        left = marginLeft + (g.areaWidth - marginLeft - marginRight - g.width) / 2;
    else if (align & Qt::AlignRight)
        left = g.areaWidth - marginRight - g.width;
    g.left = g.areaLeft + qMax<qreal>(0, left);
    g.columnX.resize(columns);
    qreal x = g.left + border + spacing;
    for (int c = 0; c < columns; ++c) {
        g.columnX[c] = x;
        x += g.columnWidths[c] + spacing;
    }
}

// Lays out the paragraphs of the cells that begin in rows [firstRow, lastRow] at the inner
// width of their cells, and the tables in those cells, and gives those rows their heights:
// each as tall as its tallest cell, merged cells stretching their last row. No merged cell may
// join these rows to others. The geometry's columns are set. outerRow: the row of the
// outermost table this one stands in, or -1 when it is the outermost. The tables found in the
// cells are added to `nested`.
std::vector<LaidOutCell> layoutRows(const ItemLayout &item, QTextTable *table, TableGeometry &g, int firstRow,
                                    int lastRow, int outerRow, std::vector<TableGeometry> &nested)
{
    const QTextDocument *doc = item.doc;
    const QTextTableFormat &format = g.format;
    const qreal scale = g.scale;
    const int rows = int(g.rowHeights.size());
    const int columns = int(g.columnX.size());
    const qreal spacing = format.cellSpacing() * scale;
    const int count = int(item.blocks.size());
    const bool hasFrames = !table->childFrames().isEmpty();
    const int tableLeast = format.hasProperty(rtf::TableRowHeightProperty)
        ? format.intProperty(rtf::TableRowHeightProperty) : 0;
    std::vector<LaidOutCell> cells;
    cells.reserve(size_t(lastRow - firstRow + 1) * size_t(columns));
    for (int r = firstRow; r <= lastRow; ++r) {
        const int placeRow = outerRow >= 0 ? outerRow : r;
        int least = 0;
        g.rowHeights[r] = 0;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || cell.row() != r || cell.column() != c)
                continue; // covered by a merged cell
            const QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
            if (least == 0)
                least = rowHeightTwips(cellFormat);
            const Insets insets = cellInsets(cellFormat, format, scale);
            const qreal cellLeft = g.columnX[c];
            const int lastColumn = qMin(columns - 1, c + cell.columnSpan() - 1);
            const qreal cellWidth = g.columnX[lastColumn] + g.columnWidths[lastColumn] - cellLeft;
            const qreal innerX = cellLeft + insets.left;
            const qreal innerWidth = qMax<qreal>(1, cellWidth - insets.left - insets.right);
            LaidOutCell laidOut{cell, 0, insets.top, -1, -1, int(nested.size()), int(nested.size())};
            const int lastPosition = cell.lastPosition();
            qreal y = 0;
            QTextBlock block = doc->findBlock(cell.firstPosition());
            while (block.isValid() && block.position() <= lastPosition) {
                const int index = block.blockNumber() - item.firstBlock;
                if (index < 0 || index >= count)
                    break;
                if (laidOut.from < 0)
                    laidOut.from = index;
                if (QTextTable *inner = hasFrames ? tableInCell(doc, table, block) : nullptr) {
                    TableGeometry n;
                    layoutTable(item, inner, n, innerX, innerWidth, scale, y, placeRow);
                    y += n.height;
                    laidOut.to = qMin(count - 1, n.firstBlock + qMax(1, n.blockCount) - 1);
                    nested.push_back(std::move(n));
                    block = doc->findBlockByNumber(item.firstBlock + laidOut.to + 1);
                    continue;
                }
                const qreal height = item.layoutParagraph(block, innerX, innerWidth);
                item.blocks[index] = TablePlace{innerX, y, innerWidth, height, placeRow};
                y += height;
                laidOut.to = index;
                block = block.next();
            }
            laidOut.nestedTo = int(nested.size());
            laidOut.contentHeight = insets.top + y + insets.bottom;
            if (cell.rowSpan() <= 1)
                g.rowHeights[r] = qMax(g.rowHeights[r], laidOut.contentHeight);
            cells.push_back(laidOut);
        }
        g.rowHeights[r] = qMax(g.rowHeights[r], twipsToDevice(least != 0 ? least : tableLeast, scale));
    }
    for (const LaidOutCell &laidOut : cells) {
        const int r = laidOut.cell.row();
        const int last = qMin(rows - 1, r + laidOut.cell.rowSpan() - 1);
        if (last == r)
            continue;
        qreal have = spacing * (last - r);
        for (int i = r; i <= last; ++i)
            have += g.rowHeights[i];
        if (laidOut.contentHeight > have)
            g.rowHeights[last] += laidOut.contentHeight - have;
    }
    return cells;
}

// Now that the rows have their places, the paragraphs of the cells and the tables in them take
// theirs in them.
void placeCells(const ItemLayout &item, TableGeometry &g, const std::vector<LaidOutCell> &cells,
                std::vector<TableGeometry> &nested)
{
    for (const LaidOutCell &laidOut : cells) {
        if (laidOut.from < 0)
            continue;
        const QRectF box = g.cellRect(laidOut.cell);
        qreal offset = box.top() + laidOut.insetTop;
        const qreal free = box.height() - laidOut.contentHeight;
        switch (laidOut.cell.format().verticalAlignment()) {
        case QTextCharFormat::AlignMiddle:
            offset += free / 2;
            break;
        case QTextCharFormat::AlignBottom:
            offset += free;
            break;
        default:
            break;
        }
        QTextBlock block = item.doc->findBlockByNumber(item.firstBlock + laidOut.from);
        for (int index = laidOut.from; index <= laidOut.to && block.isValid(); ++index, block = block.next()) {
            TablePlace &place = item.blocks[index];
            place.y += offset;
            block.layout()->setPosition(QPointF(place.x, place.y));
        }
        for (int i = laidOut.nestedFrom; i < laidOut.nestedTo; ++i)
            moveNested(nested[size_t(i)], offset, 0);
    }
}

// Lays out a table whose box begins at top (from the outermost table's top, before the cells
// that hold it take their places).
void layoutTable(const ItemLayout &item, QTextTable *table, TableGeometry &g, qreal areaLeft, qreal areaWidth,
                 qreal scale, qreal top, int outerRow)
{
    const QTextDocument *doc = item.doc;
    g.format = table->format();
    g.areaLeft = areaLeft;
    g.areaWidth = areaWidth;
    g.scale = scale;
    g.top = top;
    g.table = table;
    g.outerRow = qMax(0, outerRow);
    g.firstBlock = doc->findBlock(table->firstPosition()).blockNumber() - item.firstBlock;
    g.blockCount = doc->findBlock(table->lastPosition()).blockNumber() - item.firstBlock - g.firstBlock + 1;
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0)
        return;
    layoutColumns(table, g);
    g.rowHeights.assign(rows, 0);
    const std::vector<LaidOutCell> cells = layoutRows(item, table, g, 0, rows - 1, outerRow, g.nested);
    const QTextTableFormat &format = g.format;
    const qreal border = tableBorder(format) * scale;
    const qreal spacing = format.cellSpacing() * scale;
    g.rowY.resize(rows);
    qreal y = top + format.topMargin() * scale + border + spacing;
    for (int r = 0; r < rows; ++r) {
        g.rowY[r] = y;
        y += g.rowHeights[r] + spacing;
    }
    g.height = y - top + border + format.bottomMargin() * scale;
    placeCells(item, g, cells, g.nested);
}

// The tables of the item in the band between y0 and y1 whose rows of the outermost table are
// [firstRow, lastRow]: the table, then those in its cells.
void visitTables(QTextTable *table, const TableGeometry &g, qreal y0, qreal y1, int firstRow, int lastRow,
                 const std::function<void(QTextTable *, const TableGeometry &)> &visit)
{
    visit(table, g);
    auto it = std::lower_bound(g.nested.begin(), g.nested.end(), firstRow,
                               [](const TableGeometry &n, int row) { return n.outerRow < row; });
    for (; it != g.nested.end() && it->outerRow <= lastRow; ++it) {
        if (it->table && it->top <= y1 && it->top + it->height >= y0)
            visitTables(it->table, *it, y0, y1, firstRow, lastRow, visit);
    }
}

} // namespace

namespace TableFlow {

QTextTable *tableOf(const QTextBlock &block)
{
    const QTextDocument *doc = block.document();
    if (!doc)
        return nullptr;
    const QTextFrame *root = doc->rootFrame();
    if (root->childFrames().isEmpty())
        return nullptr;
    QTextFrame *frame = doc->frameAt(block.position());
    while (frame && frame->parentFrame() && frame->parentFrame() != root)
        frame = frame->parentFrame();
    return qobject_cast<QTextTable *>(frame);
}

std::vector<qreal> columnWidths(const QList<QTextLength> &constraints, int columns, qreal room, qreal scale)
{
    std::vector<qreal> widths(qMax(0, columns), 0);
    room = qMax<qreal>(room, 0);
    qreal taken = 0;
    int shared = 0;
    for (int i = 0; i < columns; ++i) {
        const QTextLength length = i < constraints.size() ? constraints[i] : QTextLength();
        switch (length.type()) {
        case QTextLength::FixedLength:
            widths[i] = length.rawValue() * scale;
            break;
        case QTextLength::PercentageLength:
            widths[i] = length.rawValue() * room / 100;
            break;
        default:
            widths[i] = -1;
            ++shared;
            break;
        }
        if (widths[i] >= 0)
            taken += widths[i];
    }
    const qreal least = kMinColumnWidth * scale;
    const qreal share = shared > 0 ? qMax(least, (room - taken) / shared) : 0;
    for (qreal &width : widths)
        width = width < 0 ? share : qMax(width, least);
    const qreal total = std::accumulate(widths.begin(), widths.end(), qreal(0));
    if (total > room && total > 0) {
        const qreal factor = qMax(room, least * columns) / total;
        for (qreal &width : widths)
            width *= factor;
    }
    return widths;
}

TableGeometry layout(QTextTable *table, qreal areaLeft, qreal areaWidth, qreal scale,
                     const LayoutParagraph &layoutParagraph)
{
    TableGeometry g;
    const QTextDocument *doc = table->document();
    const int firstBlock = doc->findBlock(table->firstPosition()).blockNumber();
    const int lastBlock = doc->findBlock(table->lastPosition()).blockNumber();
    g.blocks.assign(qMax(1, lastBlock - firstBlock + 1), TablePlace());
    const ItemLayout item{doc, g.blocks, firstBlock, layoutParagraph};
    layoutTable(item, table, g, areaLeft, areaWidth, scale, 0, -1);
    return g;
}

RowChange relayoutRows(QTextTable *table, TableGeometry &g, int from, int removed, int added, qreal areaLeft,
                       qreal areaWidth, qreal scale, const LayoutParagraph &layoutParagraph)
{
    const QTextDocument *doc = table->document();
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0 || rows != int(g.rowY.size()) || columns != int(g.columnX.size())
        || areaLeft != g.areaLeft || areaWidth != g.areaWidth || scale != g.scale || table->format() != g.format)
        return {};
    const int firstBlock = doc->findBlock(table->firstPosition()).blockNumber();
    const int lastBlock = doc->findBlock(table->lastPosition()).blockNumber();
    const int count = int(g.blocks.size());
    if (from < 0 || removed < 0 || added <= 0 || from + removed > count
        || lastBlock - firstBlock + 1 != count - removed + added)
        return {};

    // The rows of the cells that hold the new paragraphs (cells follow each other row by row
    // in the document), widened until no merged cell reaches out of them.
    const QTextTableCell firstCell = table->cellAt(doc->findBlockByNumber(firstBlock + from).position());
    const QTextTableCell lastCell = table->cellAt(doc->findBlockByNumber(firstBlock + from + added - 1).position());
    if (!firstCell.isValid() || !lastCell.isValid())
        return {};
    RowChange change;
    change.firstRow = qBound(0, firstCell.row(), rows - 1);
    change.lastRow = qBound(change.firstRow, lastCell.row() + lastCell.rowSpan() - 1, rows - 1);
    for (bool grown = true; grown;) {
        grown = false;
        for (int r = change.firstRow; r <= change.lastRow && !grown; ++r) {
            for (int c = 0; c < columns; ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (!cell.isValid())
                    continue;
                const int top = qMax(0, cell.row());
                const int bottom = qMin(rows - 1, cell.row() + cell.rowSpan() - 1);
                if (top < change.firstRow || bottom > change.lastRow) {
                    change.firstRow = qMin(change.firstRow, top);
                    change.lastRow = qMax(change.lastRow, bottom);
                    grown = true;
                    break;
                }
            }
        }
    }

    const qreal spacing = g.format.cellSpacing() * scale;
    const qreal oldBottom = g.rowY[change.lastRow] + g.rowHeights[change.lastRow];
    g.blocks.erase(g.blocks.begin() + from, g.blocks.begin() + from + removed);
    g.blocks.insert(g.blocks.begin() + from, size_t(added), TablePlace());
    // The tables in the cells of these rows are laid out again with them; those below follow
    // their paragraphs' new indexes.
    const auto byRow = [](const TableGeometry &n, int row) { return n.outerRow < row; };
    const auto nestedFirst = std::lower_bound(g.nested.begin(), g.nested.end(), change.firstRow, byRow);
    const auto nestedEnd = std::lower_bound(nestedFirst, g.nested.end(), change.lastRow + 1, byRow);
    const int nestedAt = int(nestedFirst - g.nested.begin());
    g.nested.erase(nestedFirst, nestedEnd);
    if (added != removed) {
        for (auto it = g.nested.begin() + nestedAt; it != g.nested.end(); ++it)
            moveNested(*it, 0, added - removed);
    }
    const ItemLayout item{doc, g.blocks, firstBlock, layoutParagraph};
    std::vector<TableGeometry> fresh;
    const std::vector<LaidOutCell> cells = layoutRows(item, table, g, change.firstRow, change.lastRow, -1, fresh);
    qreal y = g.rowY[change.firstRow];
    for (int r = change.firstRow; r <= change.lastRow; ++r) {
        g.rowY[r] = y;
        y += g.rowHeights[r] + spacing;
    }
    change.shift = g.rowY[change.lastRow] + g.rowHeights[change.lastRow] - oldBottom;
    if (change.shift != 0) {
        // Everything below moves by what the rows grew or shrank: the rows, the tables in
        // their cells, and the paragraphs of their cells, which follow those of the rows laid out.
        for (int r = change.lastRow + 1; r < rows; ++r)
            g.rowY[r] += change.shift;
        g.height += change.shift;
        for (auto it = g.nested.begin() + nestedAt; it != g.nested.end(); ++it)
            moveNested(*it, change.shift, 0);
        int last = -1;
        for (const LaidOutCell &laidOut : cells)
            last = qMax(last, laidOut.to);
        QTextBlock block = doc->findBlockByNumber(firstBlock + last + 1);
        for (int index = last + 1; index < int(g.blocks.size()) && block.isValid(); ++index, block = block.next()) {
            TablePlace &place = g.blocks[index];
            place.y += change.shift;
            block.layout()->setPosition(QPointF(place.x, place.y));
        }
    }
    placeCells(item, g, cells, fresh);
    g.nested.insert(g.nested.begin() + nestedAt, std::make_move_iterator(fresh.begin()),
                    std::make_move_iterator(fresh.end()));
    return change;
}

std::vector<QTextTableCell> cellsIn(QTextTable *table, const TableGeometry &geometry, qreal y0, qreal y1)
{
    std::vector<QTextTableCell> cells;
    const int rows = int(geometry.rowY.size());
    const int columns = int(geometry.columnX.size());
    if (rows == 0 || columns == 0)
        return cells;
    const int firstRow = geometry.rowAt(y0);
    for (int r = firstRow; r < rows && geometry.rowY[r] <= y1; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            // A merged cell is taken where it begins, or in the first row when it begins above.
            if (cell.isValid() && cell.column() == c && (cell.row() == r || r == firstRow))
                cells.push_back(cell);
        }
    }
    return cells;
}

void forEachTable(QTextTable *table, const TableGeometry &geometry, qreal y0, qreal y1,
                  const std::function<void(QTextTable *, const TableGeometry &)> &visit)
{
    if (geometry.rowY.empty()) {
        visit(table, geometry);
        return;
    }
    visitTables(table, geometry, y0, y1, geometry.rowAt(y0), geometry.rowAt(y1), visit);
}

int blockAt(QTextTable *table, const TableGeometry &geometry, int firstBlock, const QPointF &point)
{
    const QTextDocument *doc = table->document();
    const std::vector<TablePlace> &blocks = geometry.blocks;
    const int count = int(blocks.size());
    const TableGeometry *g = &geometry;
    int found = firstBlock;
    while (table && !g->rowY.empty()) {
        const QTextTableCell cell = table->cellAt(g->rowAt(point.y()), g->columnAt(point.x()));
        if (!cell.isValid())
            break;
        // The cell's paragraphs and tables stand one under the other: the last that begins
        // above the point holds it.
        const int first = doc->findBlock(cell.firstPosition()).blockNumber() - firstBlock;
        const int last = doc->findBlock(cell.lastPosition()).blockNumber() - firstBlock;
        auto nested = std::lower_bound(g->nested.begin(), g->nested.end(), first,
                                       [](const TableGeometry &n, int index) { return n.firstBlock < index; });
        const TableGeometry *inner = nullptr;
        found = firstBlock + qBound(0, first, count - 1);
        for (int index = first; index <= last && index >= 0 && index < count;) {
            if (nested != g->nested.end() && nested->firstBlock == index) {
                if (nested->top > point.y())
                    break;
                inner = &*nested;
                index += qMax(1, nested->blockCount);
                ++nested;
                continue;
            }
            if (index != first && blocks[size_t(index)].y > point.y())
                break;
            found = firstBlock + index;
            inner = nullptr;
            ++index;
        }
        if (!inner)
            break;
        g = inner;
        table = inner->table;
    }
    return found;
}

namespace {

void drawTableBackgrounds(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top,
                          const QRectF &clip)
{
    const QTextTableFormat format = table->format();
    if (format.background().style() != Qt::NoBrush)
        painter->fillRect(QRectF(geometry.left, top + geometry.top, geometry.width, geometry.height),
                          format.background());
    for (const QTextTableCell &cell : cellsIn(table, geometry, clip.top() - top, clip.bottom() - top)) {
        const QBrush brush = cell.format().background();
        if (brush.style() == Qt::NoBrush)
            continue;
        const QRectF box = geometry.cellRect(cell).translated(0, top);
        if (box.intersects(clip))
            painter->fillRect(box, brush);
    }
}

void drawTableBorders(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top, qreal scale,
                      const QRectF &clip)
{
    const QTextTableFormat format = table->format();
    // A border never vanishes for being thinner than a device pixel.
    const auto width = [scale](qreal pixels) { return pixels > 0 ? qMax<qreal>(1, std::round(pixels * scale)) : 0; };
    // Edges on whole device pixels: a line of one pixel never smears over two.
    const auto fill = [painter](const QRectF &r, const QBrush &brush) {
        painter->fillRect(QRectF(std::round(r.left()), std::round(r.top()), qMax<qreal>(1, std::round(r.width())),
                                 qMax<qreal>(1, std::round(r.height()))),
                          brush);
    };
    const qreal outerBorder = tableBorder(format);
    if (outerBorder > 0) {
        const qreal w = width(outerBorder);
        const QRectF box(geometry.left, top + geometry.top, geometry.width, geometry.height);
        const QBrush brush = format.borderBrush();
        fill(QRectF(box.left(), box.top(), box.width(), w), brush);
        fill(QRectF(box.left(), box.bottom() - w, box.width(), w), brush);
        fill(QRectF(box.left(), box.top(), w, box.height()), brush);
        fill(QRectF(box.right() - w, box.top(), w, box.height()), brush);
    }
    const qreal reach = kBorderReach;
    for (const QTextTableCell &cell : cellsIn(table, geometry, clip.top() - top - reach, clip.bottom() - top + reach)) {
        const QRectF box = geometry.cellRect(cell).translated(0, top);
        if (!box.adjusted(-reach, -reach, reach, reach).intersects(clip))
            continue;
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        const qreal t = width(cellBorder(f, QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle, format));
        const qreal l = width(cellBorder(f, QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle, format));
        const qreal b = width(
            cellBorder(f, QTextFormat::TableCellBottomBorder, QTextFormat::TableCellBottomBorderStyle, format));
        const qreal rw = width(
            cellBorder(f, QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle, format));
        const auto brushOf = [&](QTextFormat::Property property) {
            const QBrush brush = f.brushProperty(property);
            return brush.style() == Qt::NoBrush ? format.borderBrush() : brush;
        };
        if (t > 0)
            fill(QRectF(box.left() - l / 2, box.top() - t / 2, box.width() + (l + rw) / 2, t),
                 brushOf(QTextFormat::TableCellTopBorderBrush));
        if (b > 0)
            fill(QRectF(box.left() - l / 2, box.bottom() - b / 2, box.width() + (l + rw) / 2, b),
                 brushOf(QTextFormat::TableCellBottomBorderBrush));
        if (l > 0)
            fill(QRectF(box.left() - l / 2, box.top() - t / 2, l, box.height() + (t + b) / 2),
                 brushOf(QTextFormat::TableCellLeftBorderBrush));
        if (rw > 0)
            fill(QRectF(box.right() - rw / 2, box.top() - t / 2, rw, box.height() + (t + b) / 2),
                 brushOf(QTextFormat::TableCellRightBorderBrush));
    }
}

} // namespace

void drawBackgrounds(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top,
                     const QRectF &clip)
{
    forEachTable(table, geometry, clip.top() - top, clip.bottom() - top,
                 [&](QTextTable *t, const TableGeometry &g) { drawTableBackgrounds(painter, t, g, top, clip); });
}

void drawBorders(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top, qreal scale,
                 const QRectF &clip)
{
    forEachTable(table, geometry, clip.top() - top - kBorderReach, clip.bottom() - top + kBorderReach,
                 [&](QTextTable *t, const TableGeometry &g) { drawTableBorders(painter, t, g, top, scale, clip); });
}

} // namespace TableFlow

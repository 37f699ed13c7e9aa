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
qreal cellBorder(const QTextTableCellFormat &cell, QTextFormat::Property width, QTextFormat::Property style,
                 const QTextTableFormat &table)
{
    if (cell.hasProperty(style) && cell.intProperty(style) == QTextFrameFormat::BorderStyle_None)
        return 0;
    if (cell.hasProperty(width))
        return cell.doubleProperty(width);
    return table.borderStyle() == QTextFrameFormat::BorderStyle_None ? 0 : table.border();
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

// The least height of every row: the table's row height (\trrh, twips; negative for an exact
// height, which is taken as a least one so that no text is cut off).
qreal minimumRowHeight(const QTextTableFormat &format, qreal scale)
{
    if (!format.hasProperty(rtf::TableRowHeightProperty))
        return 0;
    return std::abs(format.intProperty(rtf::TableRowHeightProperty)) / kTwipsPerPixel * scale;
}

// The paragraphs of a cell, first and last (nested tables' paragraphs included).
QTextBlock firstBlockOf(const QTextTableCell &cell, const QTextDocument *doc)
{
    return doc->findBlock(cell.firstPosition());
}

} // namespace

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

// One cell as laid out: its paragraphs are the geometry's blocks[from..to], one under the
// other from y 0 of the cell until placeCells moves them into the cell's box.
struct LaidOutCell
{
    QTextTableCell cell;
    qreal contentHeight; // text with the insets above and below it
    qreal insetTop;
    int from, to;
};

// Lays out the paragraphs of the cells that begin in rows [firstRow, lastRow] at the inner
// width of their cells and gives those rows their heights: each as tall as its tallest cell,
// merged cells stretching their last row. No merged cell may join these rows to others. The
// geometry's columns are set, and its blocks hold one entry per paragraph of the table.
std::vector<LaidOutCell> layoutRows(QTextTable *table, TableGeometry &g, int firstRow, int lastRow, int firstBlock,
                                    const LayoutParagraph &layoutParagraph)
{
    const QTextDocument *doc = table->document();
    const QTextTableFormat &format = g.format;
    const qreal scale = g.scale;
    const int rows = int(g.rowHeights.size());
    const int columns = int(g.columnX.size());
    const qreal spacing = format.cellSpacing() * scale;
    std::vector<LaidOutCell> cells;
    cells.reserve(size_t(lastRow - firstRow + 1) * size_t(columns));
    for (int r = firstRow; r <= lastRow; ++r)
        g.rowHeights[r] = minimumRowHeight(format, scale);
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (!cell.isValid() || cell.row() != r || cell.column() != c)
                continue; // covered by a merged cell
            const QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
            const Insets insets = cellInsets(cellFormat, format, scale);
            const qreal cellLeft = g.columnX[c];
            const int lastColumn = qMin(columns - 1, c + cell.columnSpan() - 1);
            const qreal cellWidth = g.columnX[lastColumn] + g.columnWidths[lastColumn] - cellLeft;
            const qreal innerX = cellLeft + insets.left;
            const qreal innerWidth = qMax<qreal>(1, cellWidth - insets.left - insets.right);
            LaidOutCell item{cell, 0, insets.top, -1, -1};
            qreal y = 0;
            for (QTextBlock block = firstBlockOf(cell, doc); block.isValid() && block.position() <= cell.lastPosition();
                 block = block.next()) {
                const int index = block.blockNumber() - firstBlock;
                if (index < 0 || index >= int(g.blocks.size()))
                    break;
                const qreal height = layoutParagraph(block, innerX, innerWidth);
                g.blocks[index] = TablePlace{innerX, y, innerWidth, height, r};
                y += height;
                if (item.from < 0)
                    item.from = index;
                item.to = index;
            }
            item.contentHeight = insets.top + y + insets.bottom;
            if (cell.rowSpan() <= 1)
                g.rowHeights[r] = qMax(g.rowHeights[r], item.contentHeight);
            cells.push_back(item);
        }
    }
    for (const LaidOutCell &item : cells) {
        const int r = item.cell.row();
        const int last = qMin(rows - 1, r + item.cell.rowSpan() - 1);
        if (last == r)
            continue;
        qreal have = spacing * (last - r);
        for (int i = r; i <= last; ++i)
            have += g.rowHeights[i];
        if (item.contentHeight > have)
            g.rowHeights[last] += item.contentHeight - have;
    }
    return cells;
}

// Now that the rows have their places, the paragraphs of the cells take theirs in them.
void placeCells(const QTextDocument *doc, TableGeometry &g, const std::vector<LaidOutCell> &cells, int firstBlock)
{
    for (const LaidOutCell &item : cells) {
        if (item.from < 0)
            continue;
        const QRectF box = g.cellRect(item.cell);
        qreal offset = box.top() + item.insetTop;
        const qreal free = box.height() - item.contentHeight;
        switch (item.cell.format().verticalAlignment()) {
        case QTextCharFormat::AlignMiddle:
            offset += free / 2;
            break;
        case QTextCharFormat::AlignBottom:
            offset += free;
            break;
        default:
            break;
        }
        QTextBlock block = doc->findBlockByNumber(firstBlock + item.from);
        for (int index = item.from; index <= item.to && block.isValid(); ++index, block = block.next()) {
            TablePlace &place = g.blocks[index];
            place.y += offset;
            block.layout()->setPosition(QPointF(place.x, place.y));
        }
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
    const QTextTableFormat format = table->format();
    g.format = format;
    g.areaLeft = areaLeft;
    g.areaWidth = areaWidth;
    g.scale = scale;
    const int rows = table->rows();
    const int columns = table->columns();
    const int firstBlock = doc->findBlock(table->firstPosition()).blockNumber();
    const int lastBlock = doc->findBlock(table->lastPosition()).blockNumber();
    g.blocks.assign(qMax(1, lastBlock - firstBlock + 1), TablePlace());
    if (rows <= 0 || columns <= 0)
        return g;

    const qreal border = (format.borderStyle() == QTextFrameFormat::BorderStyle_None ? 0 : format.border()) * scale;
    const qreal spacing = format.cellSpacing() * scale;
    const qreal marginLeft = format.leftMargin() * scale;
    const qreal marginRight = format.rightMargin() * scale;
    const qreal room = areaWidth - marginLeft - marginRight - 2 * border - (columns + 1) * spacing;
    g.columnWidths = columnWidths(format.columnWidthConstraints(), columns, room, scale);
    g.width = std::accumulate(g.columnWidths.begin(), g.columnWidths.end(), qreal(0)) + 2 * border
        + (columns + 1) * spacing;
    qreal left = marginLeft;
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        left = marginLeft + (areaWidth - marginLeft - marginRight - g.width) / 2;
    else if (align & Qt::AlignRight)
        left = areaWidth - marginRight - g.width;
    g.left = areaLeft + qMax<qreal>(0, left);
    g.columnX.resize(columns);
    qreal x = g.left + border + spacing;
    for (int c = 0; c < columns; ++c) {
        g.columnX[c] = x;
        x += g.columnWidths[c] + spacing;
    }

    g.rowHeights.assign(rows, 0);
    const std::vector<LaidOutCell> cells = layoutRows(table, g, 0, rows - 1, firstBlock, layoutParagraph);
    g.rowY.resize(rows);
    qreal y = format.topMargin() * scale + border + spacing;
    for (int r = 0; r < rows; ++r) {
        g.rowY[r] = y;
        y += g.rowHeights[r] + spacing;
    }
    g.height = y + border + format.bottomMargin() * scale;
    placeCells(doc, g, cells, firstBlock);
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
    const std::vector<LaidOutCell> cells =
        layoutRows(table, g, change.firstRow, change.lastRow, firstBlock, layoutParagraph);
    qreal y = g.rowY[change.firstRow];
    for (int r = change.firstRow; r <= change.lastRow; ++r) {
        g.rowY[r] = y;
        y += g.rowHeights[r] + spacing;
    }
    change.shift = g.rowY[change.lastRow] + g.rowHeights[change.lastRow] - oldBottom;
    if (change.shift != 0) {
        // Everything below moves by what the rows grew or shrank: the rows, and the
        // paragraphs of their cells, which follow those of the rows laid out.
        for (int r = change.lastRow + 1; r < rows; ++r)
            g.rowY[r] += change.shift;
        g.height += change.shift;
        int last = -1;
        for (const LaidOutCell &item : cells)
            last = qMax(last, item.to);
        QTextBlock block = doc->findBlockByNumber(firstBlock + last + 1);
        for (int index = last + 1; index < int(g.blocks.size()) && block.isValid(); ++index, block = block.next()) {
            TablePlace &place = g.blocks[index];
            place.y += change.shift;
            block.layout()->setPosition(QPointF(place.x, place.y));
        }
    }
    placeCells(doc, g, cells, firstBlock);
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

void drawBackgrounds(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top,
                     const QRectF &clip)
{
    const QTextTableFormat format = table->format();
    if (format.background().style() != Qt::NoBrush)
        painter->fillRect(QRectF(geometry.left, top, geometry.width, geometry.height), format.background());
    for (const QTextTableCell &cell : cellsIn(table, geometry, clip.top() - top, clip.bottom() - top)) {
        const QBrush brush = cell.format().background();
        if (brush.style() == Qt::NoBrush)
            continue;
        const QRectF box = geometry.cellRect(cell).translated(0, top);
        if (box.intersects(clip))
            painter->fillRect(box, brush);
    }
}

void drawBorders(QPainter *painter, QTextTable *table, const TableGeometry &geometry, qreal top, qreal scale,
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
    const qreal tableBorder = format.borderStyle() == QTextFrameFormat::BorderStyle_None ? 0 : format.border();
    if (tableBorder > 0) {
        const qreal w = width(tableBorder);
        const QRectF box(geometry.left, top, geometry.width, geometry.height);
        const QBrush brush = format.borderBrush();
        fill(QRectF(box.left(), box.top(), box.width(), w), brush);
        fill(QRectF(box.left(), box.bottom() - w, box.width(), w), brush);
        fill(QRectF(box.left(), box.top(), w, box.height()), brush);
        fill(QRectF(box.right() - w, box.top(), w, box.height()), brush);
    }
    // A cell's border reaches half its width past the cell's box.
    const qreal reach = 4;
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

} // namespace TableFlow

#include "TableText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace rtf {

namespace {

QTextTable *tableOf(const QTextBlock &block)
{
    return QTextCursor(block).currentTable();
}

} // namespace

bool endsCellInRow(const QTextBlock &block)
{
    const QTextTable *table = tableOf(block);
    if (!table)
        return false;
    const QTextTableCell cell = table->cellAt(block.position());
    if (!cell.isValid() || cell.column() + cell.columnSpan() >= table->columns())
        return false;
    return block.position() + block.length() - 1 == cell.lastPosition();
}

// Tables nested in cells are never made by the reader, so only the root frame's tables count.
int cellEndsBefore(const QTextDocument &doc, const QTextBlock &block)
{
    int count = 0;
    const int position = block.position();
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table || table->firstPosition() > position)
            break;
        const int inRow = table->columns() - 1;
        if (table->lastPosition() < position) {
            count += table->rows() * inRow;
            continue;
        }
        const QTextTableCell cell = table->cellAt(position);
        if (cell.isValid())
            count += cell.row() * inRow + cell.column();
        break;
    }
    return count;
}

QString documentText(const QTextDocument &doc, int from, int to, QStringView paragraphEnd)
{
    QString out;
    from = qMax(0, from);
    to = qMin(to, doc.characterCount() - 1);
    if (to <= from)
        return out;
    const bool tables = !doc.rootFrame()->childFrames().isEmpty();
    for (QTextBlock block = doc.findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const int start = block.position();
        const QString text = block.text();
        const int a = qMax(from, start) - start;
        const int b = qMin(to, start + int(text.size())) - start;
        if (b > a)
            out.append(QStringView(text).mid(a, b - a));
        if (start + text.size() < to) {
            if (tables && endsCellInRow(block))
                out.append(u'\t');
            else
                out.append(paragraphEnd);
        }
    }
    return out;
}

} // namespace rtf

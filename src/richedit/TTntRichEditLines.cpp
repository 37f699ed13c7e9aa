#include "TTntRichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

// Display lines. The document keeps, per block, a count that QTextDocument sums in its
// block tree (QTextBlock::firstLineNumber, QTextDocument::findBlockByLineNumber), both
// O(log n). The text layout does not maintain that count, so the control stores each
// block's number of laid-out lines there. Edits mark the blocks they touch; a change of
// the layout width or font marks everything. Dirty blocks are brought up to date lazily,
// in document order and only as far as a query needs.

void TTntRichEdit::markLinesDirty(int from, int to)
{
    const int last = document()->characterCount() - 1;
    from = qBound(0, from, last);
    to = qBound(from, to, last);
    if (!m_linesDirty) {
        m_linesDirty = true;
        m_linesDirtyToEnd = false;
        m_linesDirtyStart.setPosition(from);
        m_linesDirtyEnd.setPosition(to);
        return;
    }
    if (from < m_linesDirtyStart.position())
        m_linesDirtyStart.setPosition(from);
    if (!m_linesDirtyToEnd && to > m_linesDirtyEnd.position())
        m_linesDirtyEnd.setPosition(to);
}

void TTntRichEdit::checkLayoutGeometry() const
{
    const QTextDocument *doc = document();
    const qreal width = doc->pageSize().width();
    if (width == m_layoutWidth && doc->defaultFont() == m_layoutFont)
        return;
    m_layoutWidth = width;
    m_layoutFont = doc->defaultFont();
    m_linesDirty = true;
    m_linesDirtyToEnd = true;
    m_linesDirtyStart.setPosition(0);
}

void TTntRichEdit::syncLineCounts(const std::function<bool(const QTextBlock &)> &enough) const
{
    checkLayoutGeometry();
    if (!m_linesDirty)
        return;
    QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const int endPos = m_linesDirtyToEnd ? doc->characterCount() : m_linesDirtyEnd.position();
    QTextBlock block = doc->findBlock(m_linesDirtyStart.position());
    while (block.isValid() && block.position() <= endPos) {
        layout->blockBoundingRect(block); // lays the text out up to this block
        const QTextLayout *blockLayout = block.layout();
        const int lines = blockLayout ? qMax(1, blockLayout->lineCount()) : 1;
        if (block.lineCount() != lines)
            QTextBlock(block).setLineCount(lines);
        const QTextBlock next = block.next();
        if (enough(block)) {
            if (next.isValid() && next.position() <= endPos) {
                m_linesDirtyStart.setPosition(next.position());
                return;
            }
            break;
        }
        block = next;
    }
    m_linesDirty = false;
    m_linesDirtyToEnd = false;
}

void TTntRichEdit::syncLineCountsUpTo(const QTextBlock &target) const
{
    const int targetNumber = target.blockNumber();
    syncLineCounts([targetNumber](const QTextBlock &block) { return block.blockNumber() >= targetNumber; });
}

void TTntRichEdit::syncLineCountsUpToLine(int line) const
{
    syncLineCounts([line](const QTextBlock &block) { return block.firstLineNumber() + block.lineCount() > line; });
}

int TTntRichEdit::LineFromChar(int pos) const
{
    const QTextDocument *doc = document();
    pos = qBound(0, pos, doc->characterCount() - 1);
    const QTextBlock block = doc->findBlock(pos);
    syncLineCountsUpTo(block);
    int lineInBlock = 0;
    if (const QTextLayout *layout = block.layout(); layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(pos - block.position());
        lineInBlock = line.isValid() ? line.lineNumber() : layout->lineCount() - 1;
    }
    return block.firstLineNumber() + lineInBlock;
}

// First position of a display line; -1 names the caret's line. A line past the last
// gives -1.
int TTntRichEdit::LineIndex(int line) const
{
    if (line < 0)
        line = LineFromChar(CaretPos());
    syncLineCountsUpToLine(line);
    const QTextBlock block = document()->findBlockByLineNumber(line);
    if (!block.isValid())
        return -1;
    const int lineInBlock = line - block.firstLineNumber();
    const QTextLayout *layout = block.layout();
    if (!layout || lineInBlock <= 0 || lineInBlock >= layout->lineCount())
        return block.position();
    return block.position() + layout->lineAt(lineInBlock).textStart();
}

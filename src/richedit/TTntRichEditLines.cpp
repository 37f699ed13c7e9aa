#include "TTntRichEdit.h"

#include "TextFlowLayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// Laying out this much text costs a few milliseconds: no reason to wait for idle time.
constexpr int kLinesAtHandCharacters = 16384;

} // namespace

// Display lines. The document layout stores each laid-out paragraph's number of display
// lines as the block's line count; QTextDocument sums those in its block tree, so the first
// line of a paragraph (QTextBlock::firstLineNumber) and the paragraph of a line
// (QTextDocument::findBlockByLineNumber) cost O(log n). Paragraphs are laid out in document
// order, so asking for a line lays out what comes before it if that is not done yet.

TextFlowLayout *TTntRichEdit::flowLayout() const
{
    return qobject_cast<TextFlowLayout *>(document()->documentLayout());
}

int TTntRichEdit::LineFromChar(int pos) const
{
    const QTextDocument *doc = document();
    pos = qBound(0, pos, doc->characterCount() - 1);
    const QTextBlock block = doc->findBlock(pos);
    flowLayout()->ensurePositionLaidOut(pos);
    if (const int fast = flowLayout()->fastLineAt(pos); fast >= 0)
        return block.firstLineNumber() + fast;
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
    flowLayout()->ensureLineLaidOut(line);
    const QTextBlock block = document()->findBlockByLineNumber(line);
    if (!block.isValid())
        return -1;
    const int lineInBlock = line - block.firstLineNumber();
    flowLayout()->ensureLines(block.blockNumber());
    if (const int fast = flowLayout()->fastLineStart(block.blockNumber(), lineInBlock); fast >= 0)
        return block.position() + fast;
    const QTextLayout *layout = block.layout();
    if (!layout || lineInBlock <= 0 || lineInBlock >= layout->lineCount())
        return block.position();
    return block.position() + layout->lineAt(lineInBlock).textStart();
}

bool TTntRichEdit::LineAtHand(int pos) const
{
    const QTextDocument *doc = document();
    return flowLayout()->charactersBefore(qBound(0, pos, doc->characterCount() - 1)) <= kLinesAtHandCharacters;
}

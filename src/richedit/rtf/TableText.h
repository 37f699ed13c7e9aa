#pragma once

#include <QString>

class QTextBlock;
class QTextDocument;

namespace rtf {

// A document's text as word processors put it on the clipboard: the cells of a table row
// separated by TAB, every other paragraph end (the end of a row among them) given as
// paragraphEnd. Positions count every character of the document as one position and every
// paragraph end as paragraphEnd.size() positions, except a cell end inside a row: one (TAB).

// True when the block is the last paragraph of a table cell that has a cell after it in
// its row: its end is read as a TAB.
bool endsCellInRow(const QTextBlock &block);

// How many blocks before the given block end as TAB. O(number of tables).
int cellEndsBefore(const QTextDocument &doc, const QTextBlock &block);

// The text between two positions of the document (QTextDocument positions).
QString documentText(const QTextDocument &doc, int from, int to, QStringView paragraphEnd);

} // namespace rtf

// Tables in the control: the text reads and their positions, editing in cells, and the
// layout that puts cells side by side.
#include "RichEditTestSupport.h"

#include "RtfCodec.h"
#include "TextFlowLayout.h"

#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTextTable>

#include <numeric>

namespace {

// "x", a table of two rows ("a" "b" / "c" ""), "y".
const QString kTableDocument = QStringLiteral(
    "{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial;}}x\\par\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row"
    "\\trowd\\cellx1000\\cellx2000\\intbl c\\cell\\cell\\row\\pard y\\par}");

// A table with no borders, padding or spacing, so that cell rects are column boxes.
QTextTableFormat plainTableFormat()
{
    QTextTableFormat format;
    format.setBorder(0);
    format.setCellSpacing(0);
    format.setCellPadding(0);
    format.setMargin(0);
    return format;
}

// "x", a table of the given cells (row by row), "y".
QTextTable *insertTable(TTntRichEdit &editor, const QStringList &cells, int columns,
                        const QTextTableFormat &format = plainTableFormat())
{
    QTextCursor cursor(editor.document());
    cursor.insertText(QStringLiteral("x"));
    cursor.insertBlock();
    QTextTable *table = cursor.insertTable(int(cells.size()) / columns, columns, format);
    for (int i = 0; i < cells.size(); ++i)
        table->cellAt(i / columns, i % columns).firstCursorPosition().insertText(cells[i]);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("y"));
    return table;
}

QRectF rectOf(const TTntRichEdit &editor, const QTextBlock &block)
{
    return editor.document()->documentLayout()->blockBoundingRect(block);
}

QRectF cellRect(const TTntRichEdit &editor, QTextTable *table, int row, int column)
{
    return rectOf(editor, table->cellAt(row, column).firstCursorPosition().block());
}

QString words(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("w%1").arg(i);
    return list.join(QLatin1Char(' '));
}

// Lays everything out again from nothing: a width change invalidates every paragraph.
void relayoutFromScratch(TTntRichEdit &editor)
{
    const QSize size = editor.size();
    editor.resize(size.width() + 37, size.height());
    QTest::qWait(1);
    editor.LineIndex(1 << 30);
    editor.resize(size);
    QTest::qWait(1);
    editor.LineIndex(1 << 30);
}

// Where the layout put everything: each paragraph's rect, the place of its lines and the
// position a click at its rect's centre finds, the tables' rects, where pages of 120 pixels
// begin (row by row in a table), the document's height.
struct LayoutSnapshot
{
    QList<QRectF> rects;
    QList<QPointF> lines;
    QList<int> hits;
    QList<QRectF> tables;
    QList<qreal> pageTops;
    qreal height = 0;
};

LayoutSnapshot snapshot(const TTntRichEdit &editor)
{
    LayoutSnapshot s;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
        s.rects << rectOf(editor, block);
        s.lines << block.layout()->position();
    }
    auto *layout = static_cast<TextFlowLayout *>(editor.document()->documentLayout());
    for (const QRectF &rect : s.rects)
        s.hits << layout->hitTest(rect.center(), Qt::FuzzyHit);
    QList<QTextFrame *> frames = editor.document()->rootFrame()->childFrames();
    while (!frames.isEmpty()) { // tables in cells too
        QTextFrame *frame = frames.takeFirst();
        s.tables << layout->frameBoundingRect(frame);
        frames << frame->childFrames();
    }
    s.pageTops = layout->pageTops(120);
    s.height = layout->documentSize().height();
    return s;
}

} // namespace

class TestRichEditTables : public QObject
{
    Q_OBJECT

private slots:
    void textAndPositions();
    void keysInCells_data();
    void keysInCells();
    void cellsStandSideBySide_data();
    void cellsStandSideBySide();
    void rowsClearTheirTallestCell();
    void tableInACellIsLaidOutInIt();
    void clickPutsTheCaretInTheCell_data();
    void clickPutsTheCaretInTheCell();
    void typingInACellGrowsItsRow();
    void editsInCellsLayOutAsFromScratch_data();
    void editsInCellsLayOutAsFromScratch();
    void structureChangesLayOutAsFromScratch_data();
    void structureChangesLayOutAsFromScratch();
    void selectedCellsAreFilledWhole();
    void drawingPartOfATableMatchesTheWhole_data();
    void drawingPartOfATableMatchesTheWhole();
    void pagesBreakBetweenRows_data();
    void pagesBreakBetweenRows();
};

// Every position of the text read selects what the text says is there, and maps back.
void TestRichEditTables::textAndPositions()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(kTableDocument);
    const QString text = editor.Text();
    QCOMPARE(text, QStringLiteral("x\r\na\tb\r\nc\t\r\ny"));
    for (int p = 0; p < text.size(); ++p) {
        if (p > 0 && text[p - 1] == u'\r')
            continue; // between CR and LF
        editor.SetSel(p, 0);
        QCOMPARE(editor.SelStart(), p);
        if (text[p] != u'\r' && text[p] != u'\t') { // selections across cells take whole cells
            editor.SetSel(p, 1);
            QCOMPARE(editor.SelText(), QString(text[p]));
        }
        QCOMPARE(editor.DocToCrLfPos(editor.CrLfToDocPos(p)), p);
    }
    editor.SetSel(0, int(text.size()));
    QCOMPARE(editor.SelText(), text);
}

void TestRichEditTables::keysInCells_data()
{
    QTest::addColumn<int>("start"); // CR LF count
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    const QString rest = QStringLiteral("c\t\r\ny");
    QTest::newRow("typing in a cell") << 4 << int(Qt::Key_unknown) << "z" << "x\r\naz\tb\r\n" + rest;
    QTest::newRow("Tab goes to the next cell") << 4 << int(Qt::Key_Tab) << "z" << "x\r\na\tzb\r\n" + rest;
    QTest::newRow("Tab at a row's end goes to the next row") << 6 << int(Qt::Key_Tab) << "z" << "x\r\na\tb\r\nzc\t\r\ny";
    QTest::newRow("Shift+Tab goes back") << 5 << int(Qt::Key_Backtab) << "z" << "x\r\nza\tb\r\n" + rest;
    QTest::newRow("Tab in the last cell adds a row")
        << 11 << int(Qt::Key_Tab) << "z" << "x\r\na\tb\r\nc\t\r\nz\t\r\ny";
    QTest::newRow("Backspace at a cell's start") << 5 << int(Qt::Key_Backspace) << "" << "x\r\na\tb\r\n" + rest;
    QTest::newRow("Backspace at a row's start") << 8 << int(Qt::Key_Backspace) << "" << "x\r\na\tb\r\n" + rest;
    QTest::newRow("Backspace after the table") << 12 << int(Qt::Key_Backspace) << "" << "x\r\na\tb\r\n" + rest;
    QTest::newRow("Delete before the table") << 1 << int(Qt::Key_Delete) << "" << "x\r\na\tb\r\n" + rest;
    QTest::newRow("Backspace in a cell") << 4 << int(Qt::Key_Backspace) << "" << "x\r\n\tb\r\n" + rest;
    QTest::newRow("Down goes to the cell below") << 3 << int(Qt::Key_Down) << "z" << "x\r\na\tb\r\nzc\t\r\ny";
    QTest::newRow("Down from the last row leaves the table") << 8 << int(Qt::Key_Down) << "z"
                                                             << "x\r\na\tb\r\nc\t\r\nzy";
    QTest::newRow("Up from the first row leaves the table") << 3 << int(Qt::Key_Up) << "z" << "zx\r\na\tb\r\n" + rest;
}

void TestRichEditTables::keysInCells()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.OnKeyPress = [](unsigned char &) {};
    editor.ReplaceSelection(kTableDocument);
    editor.SetSel(start, 0);
    if (key != Qt::Key_unknown)
        QTest::keyClick(&editor, Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    if (!typed.isEmpty())
        typeText(&editor, typed);
    QCOMPARE(editor.Text(), text);
    QVERIFY(editor.document()->rootFrame()->childFrames().size() == 1);
}

// Columns take their widths from the table format and stand left to right in one row, placed
// as the row's alignment says. Widths are "100" (pixels) or "25%" (of the text area).
void TestRichEditTables::cellsStandSideBySide_data()
{
    QTest::addColumn<QString>("constraints"); // f: fixed pixels, p: percent, v: a share of the rest
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("widths");
    QTest::newRow("fixed widths") << "f100 f150" << int(Qt::AlignLeft) << "100 150";
    QTest::newRow("percentages of the text area") << "p25 p75" << int(Qt::AlignLeft) << "25% 75%";
    QTest::newRow("equal shares without constraints") << "v v v" << int(Qt::AlignLeft) << "33.3333% 33.3333% 33.3333%";
    QTest::newRow("a share of what fixed widths leave") << "f100 v" << int(Qt::AlignLeft) << "100 rest";
    QTest::newRow("too wide shrinks in proportion") << "f1000 f3000" << int(Qt::AlignLeft) << "25% 75%";
    QTest::newRow("centred row") << "f100 f60" << int(Qt::AlignHCenter) << "100 60";
    QTest::newRow("right-aligned row") << "f100 f60" << int(Qt::AlignRight) << "100 60";
}

void TestRichEditTables::cellsStandSideBySide()
{
    QFETCH(QString, constraints);
    QFETCH(int, alignment);
    QFETCH(QString, widths);
    TTntRichEdit editor;
    prepareEditor(editor, 420, 300);
    QTextTableFormat format = plainTableFormat();
    format.setAlignment(Qt::Alignment(alignment));
    QList<QTextLength> lengths;
    for (const QString &c : constraints.split(' ')) {
        const qreal value = c.mid(1).toDouble();
        lengths << (c[0] == 'f'   ? QTextLength(QTextLength::FixedLength, value)
                        : c[0] == 'p' ? QTextLength(QTextLength::PercentageLength, value)
                                      : QTextLength());
    }
    format.setColumnWidthConstraints(lengths);
    QTextTable *table = insertTable(editor, QStringList(lengths.size(), QStringLiteral("t")), int(lengths.size()), format);

    const QRectF area = rectOf(editor, editor.document()->begin()); // the paragraph "x"
    QList<qreal> expected;
    qreal fixed = 0;
    for (const QString &w : widths.split(' ')) {
        expected << (w.endsWith('%') ? w.chopped(1).toDouble() * area.width() / 100 : w == "rest" ? -1 : w.toDouble());
        fixed += qMax<qreal>(0, expected.last());
    }
    for (qreal &w : expected)
        if (w < 0)
            w = area.width() - fixed;
    const qreal total = std::accumulate(expected.begin(), expected.end(), qreal(0));
    qreal left = area.left();
    if (alignment == Qt::AlignHCenter)
        left += (area.width() - total) / 2;
    else if (alignment == Qt::AlignRight)
        left = area.right() - total;

    const QRectF first = cellRect(editor, table, 0, 0);
    QVERIFY(first.top() >= area.bottom());
    for (int c = 0; c < lengths.size(); ++c) {
        const QRectF cell = cellRect(editor, table, 0, c);
        QVERIFY2(qAbs(cell.left() - left) < 0.01, qPrintable(QStringLiteral("column %1 at %2, not %3").arg(c).arg(cell.left()).arg(left)));
        QVERIFY2(qAbs(cell.width() - expected[c]) < 0.01, qPrintable(QStringLiteral("column %1 %2 wide, not %3").arg(c).arg(cell.width()).arg(expected[c])));
        QCOMPARE(cell.top(), first.top());
        left += expected[c];
    }
}

// A row is as tall as its tallest cell, and what follows the table starts below its last row.
void TestRichEditTables::rowsClearTheirTallestCell()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 400);
    QTextTable *table = insertTable(editor, {QStringLiteral("a"), words(40), QStringLiteral("c"), QStringLiteral("d")}, 2);
    const QRectF a = cellRect(editor, table, 0, 0);
    const QRectF b = cellRect(editor, table, 0, 1);
    const QRectF c = cellRect(editor, table, 1, 0);
    const QRectF d = cellRect(editor, table, 1, 1);
    const QRectF y = rectOf(editor, editor.document()->lastBlock());
    QVERIFY2(b.height() > 3 * a.height(), "the long cell wraps inside its column");
    QCOMPARE(a.top(), b.top());
    QCOMPARE(c.top(), b.bottom());
    QCOMPARE(d.top(), c.top());
    QCOMPARE(y.top(), c.bottom());
    QCOMPARE(editor.document()->documentLayout()->documentSize().height(), y.bottom() + editor.document()->rootFrame()->frameFormat().bottomMargin());
}

// A table in a cell stands in that cell as a table: its cells side by side inside the outer
// cell's box, which grows to hold it.
void TestRichEditTables::tableInACellIsLaidOutInIt()
{
    TTntRichEdit editor;
    prepareEditor(editor, 400, 300);
    QTextTable *outer = insertTable(editor, {"a", "b", "c", "d"}, 2);
    QTextCursor cursor = outer->cellAt(0, 1).firstCursorPosition();
    cursor.insertText(QStringLiteral("above"));
    QTextTable *inner = cursor.insertTable(1, 2, plainTableFormat());
    inner->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("n1"));
    inner->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("n2"));

    const QRectF cell = cellRect(editor, outer, 0, 1); // the paragraph "above": the cell's inner width
    const QRectF first = cellRect(editor, inner, 0, 0);
    const QRectF second = cellRect(editor, inner, 0, 1);
    const QRectF below = cellRect(editor, outer, 1, 1);
    QCOMPARE(first.top(), cell.bottom());
    QCOMPARE(second.top(), first.top());
    QVERIFY2(second.left() >= first.right() && first.width() > 0, "the inner cells side by side");
    QVERIFY2(first.left() >= cell.left() && second.right() <= cell.right() + 0.01, "inside the outer cell");
    QVERIFY2(below.top() > second.bottom(), "the outer row below the inner table");
}

void TestRichEditTables::clickPutsTheCaretInTheCell_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("place"); // in the cell's paragraph: "start" or "end"
    QTest::newRow("first cell, its start") << 0 << 0 << "start";
    QTest::newRow("first cell, its end") << 0 << 0 << "end";
    QTest::newRow("second cell of the first row") << 0 << 1 << "end";
    QTest::newRow("first cell of the second row") << 1 << 0 << "start";
    QTest::newRow("last cell") << 1 << 1 << "end";
}

void TestRichEditTables::clickPutsTheCaretInTheCell()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, place);
    TTntRichEdit editor;
    prepareEditor(editor, 400, 300);
    QTextTable *table = insertTable(editor, {"one", "two", "three", "four"}, 2);
    const QTextTableCell cell = table->cellAt(row, column);
    const QRectF rect = cellRect(editor, table, row, column);
    const QPointF inDocument(place == "start" ? rect.left() + 1 : rect.right() - 2, rect.center().y());
    const QPoint inView = (inDocument - QPointF(editor.horizontalScrollBar()->value(), editor.verticalScrollBar()->value())).toPoint();
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, inView);
    const int expected = place == "start" ? cell.firstPosition() : cell.lastPosition();
    QCOMPARE(editor.textCursor().position(), expected);
    // The caret shows in the cell, at the start or after the end of its text.
    const QRect caret = editor.cursorRect();
    const qreal textWidth = cell.firstCursorPosition().block().layout()->lineAt(0).naturalTextWidth();
    const qreal caretX = rect.left() - editor.horizontalScrollBar()->value() + (place == "start" ? 0 : textWidth);
    QVERIFY2(qAbs(caret.center().y() - inView.y()) < rect.height() / 2 + 1, "caret on the clicked line");
    QVERIFY2(qAbs(caret.left() - caretX) < 1.5, qPrintable(QStringLiteral("caret at %1, not %2").arg(caret.left()).arg(caretX)));
}

// Text typed into a cell wraps at the cell's width; the row grows and everything after it moves
// down, just as a layout of the whole document from scratch places it.
void TestRichEditTables::typingInACellGrowsItsRow()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 400);
    editor.OnKeyPress = [](unsigned char &) {};
    QTextTable *table = insertTable(editor, {"a", "b", "c", "d"}, 2);
    const QRectF before = cellRect(editor, table, 1, 0);
    const qreal yBefore = rectOf(editor, editor.document()->lastBlock()).top();
    editor.setTextCursor(table->cellAt(0, 0).lastCursorPosition());
    for (int i = 0; i < 12; ++i)
        typeText(&editor, QStringLiteral(" word"));
    const QRectF typed = cellRect(editor, table, 0, 0);
    const QRectF after = cellRect(editor, table, 1, 0);
    const qreal growth = after.top() - before.top();
    QVERIFY2(growth > before.height(), "the first row grows by lines");
    QCOMPARE(typed.bottom(), after.top());
    QCOMPARE(cellRect(editor, table, 0, 1).top(), typed.top());
    QCOMPARE(rectOf(editor, editor.document()->lastBlock()).top(), yBefore + growth);

    QList<QRectF> incremental;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        incremental << rectOf(editor, block);
    relayoutFromScratch(editor);
    QList<QRectF> full;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        full << rectOf(editor, block);
    QCOMPARE(incremental, full);
}

void TestRichEditTables::editsInCellsLayOutAsFromScratch_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("seed");
    QTest::newRow("plain rows") << "plain" << 1;
    QTest::newRow("merged cells, middle and bottom alignment") << "merged" << 2;
    QTest::newRow("right-to-left cells") << "rtl" << 3;
    QTest::newRow("borders, spacing, least row height") << "spaced" << 4;
    QTest::newRow("tables in cells, two deep") << "nested" << 5;
}

// Random edits in cells (text typed, a paragraph break, a deletion inside a cell) lay the
// table out just as a layout of the whole document from scratch does, after each edit.
void TestRichEditTables::editsInCellsLayOutAsFromScratch()
{
    QFETCH(QString, kind);
    QFETCH(int, seed);
    TTntRichEdit editor;
    prepareEditor(editor, 360, 150); // lower than the table: the scroll bar stays whatever goes
    const int rows = 10;
    const int columns = 3;
    QTextTableFormat format = plainTableFormat();
    if (kind == "merged" || kind == "spaced") {
        format.setBorder(1);
        format.setCellPadding(2);
        format.setCellSpacing(kind == "spaced" ? 3 : 0);
    }
    if (kind == "spaced")
        format.setProperty(rtf::TableRowHeightProperty, -450); // at least 30 pixels
    const QString arabic = QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645");
    QStringList cells;
    for (int i = 0; i < rows * columns; ++i)
        cells << (kind == "rtl" && i % 2 ? QStringList(5, arabic).join(' ') : words(i % 7 * 2));
    QTextTable *table = insertTable(editor, cells, columns, format);
    if (kind == "merged") {
        table->mergeCells(2, 0, 3, 1);
        table->mergeCells(6, 1, 1, 2);
        table->mergeCells(7, 2, 2, 1);
        for (const auto &[r, c, align] : {std::tuple{2, 0, QTextCharFormat::AlignBottom},
                                          std::tuple{3, 1, QTextCharFormat::AlignMiddle},
                                          std::tuple{7, 2, QTextCharFormat::AlignMiddle}}) {
            QTextTableCell cell = table->cellAt(r, c);
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setVerticalAlignment(align);
            cell.setFormat(cellFormat);
        }
    }
    // In every third cell a bordered table of two rows, and in one of those another one.
    QList<QPointer<QTextTable>> nested;
    if (kind == "nested") {
        QTextTableFormat innerFormat = plainTableFormat();
        innerFormat.setBorder(1);
        innerFormat.setCellPadding(1);
        for (int i = 1; i < rows * columns; i += 3) {
            QTextCursor cursor = table->cellAt(i / columns, i % columns).lastCursorPosition();
            QTextTable *inner = cursor.insertTable(2, 2, innerFormat);
            for (int c = 0; c < 4; ++c)
                inner->cellAt(c / 2, c % 2).firstCursorPosition().insertText(words(c * 3));
            nested << inner;
        }
        QTextCursor deeper = nested[2]->cellAt(1, 0).lastCursorPosition();
        nested << deeper.insertTable(1, 2, innerFormat);
        nested.last()->cellAt(0, 1).firstCursorPosition().insertText(words(4));
    }
    if (kind == "rtl") {
        for (int r = 0; r < rows; ++r) {
            QTextCursor cursor = table->cellAt(r, 1).firstCursorPosition();
            QTextBlockFormat blockFormat;
            blockFormat.setLayoutDirection(Qt::RightToLeft);
            blockFormat.setAlignment(Qt::AlignRight);
            cursor.setBlockFormat(blockFormat);
        }
    }
    relayoutFromScratch(editor);

    QRandomGenerator random{quint32(seed)};
    for (int edit = 0; edit < 30; ++edit) {
        // Half the edits of the tables in cells go to those (while the edits around them leave any).
        nested.removeIf([](const QPointer<QTextTable> &t) { return t.isNull(); });
        QTextTable *edited = !nested.isEmpty() && random.bounded(2) ? nested[random.bounded(int(nested.size()))].data() : table;
        const QTextTableCell cell = edited->cellAt(random.bounded(edited->rows()), random.bounded(edited->columns()));
        const int start = cell.firstPosition();
        const int end = cell.lastPosition();
        QTextCursor cursor(editor.document());
        cursor.setPosition(start + random.bounded(end - start + 1));
        QString what;
        switch (random.bounded(edited == table ? 3 : 4)) {
        case 0:
            what = kind == "rtl" && random.bounded(2) ? arabic : words(1 + random.bounded(9));
            cursor.insertText(what);
            break;
        case 1:
            what = QStringLiteral("a paragraph break");
            cursor.insertBlock();
            break;
        default:
            cursor.setPosition(qMin(end, cursor.position() + 1 + random.bounded(20)), QTextCursor::KeepAnchor);
            what = QStringLiteral("deleting \"%1\"").arg(cursor.selectedText());
            cursor.removeSelectedText();
            break;
        case 3:
            what = QStringLiteral("a row added to a table in a cell");
            edited->insertRows(cell.row() + 1, 1);
            break;
        }
        const LayoutSnapshot incremental = snapshot(editor);
        relayoutFromScratch(editor);
        const LayoutSnapshot full = snapshot(editor);
        const QString context = QStringLiteral("edit %1 in cell %2,%3: %4").arg(edit).arg(cell.row()).arg(cell.column()).arg(what);
        QVERIFY2(incremental.rects == full.rects, qPrintable(context));
        QVERIFY2(incremental.lines == full.lines, qPrintable(context));
        QVERIFY2(incremental.hits == full.hits, qPrintable(context));
        QVERIFY2(incremental.tables == full.tables, qPrintable(context));
        QVERIFY2(incremental.pageTops == full.pageTops, qPrintable(context));
        QVERIFY2(qFuzzyCompare(incremental.height, full.height), qPrintable(context));
    }
}

void TestRichEditTables::structureChangesLayOutAsFromScratch_data()
{
    QTest::addColumn<QString>("change");
    for (const char *change : {"insert rows", "remove rows", "insert a column", "remove a column", "merge across columns",
                               "merge across rows", "split a merged cell", "column widths", "cell padding",
                               "first cell's padding", "table border", "undo a row's removal"})
        QTest::newRow(change) << QString::fromLatin1(change);
}

// Rows or columns added or removed, cells merged or split, table and cell formats changed: the
// table is laid out as a layout of the whole document from scratch lays it out.
void TestRichEditTables::structureChangesLayOutAsFromScratch()
{
    QFETCH(QString, change);
    TTntRichEdit editor;
    prepareEditor(editor, 360, 150); // lower than the table: the scroll bar stays whatever goes
    QTextTableFormat format = plainTableFormat();
    format.setBorder(1);
    QStringList cells;
    for (int i = 0; i < 24; ++i)
        cells << words(i % 6 * 3);
    QTextTable *table = insertTable(editor, cells, 3, format);
    if (change == "split a merged cell")
        table->mergeCells(2, 1, 3, 2);
    relayoutFromScratch(editor); // the change meets a table laid out
    const auto setCellPadding = [&](int row, int column) {
        QTextTableCell cell = table->cellAt(row, column);
        QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
        cellFormat.setPadding(9);
        cell.setFormat(cellFormat);
    };
    if (change == "insert rows") {
        table->insertRows(3, 2);
        table->cellAt(3, 1).firstCursorPosition().insertText(words(20));
    } else if (change == "remove rows") {
        table->removeRows(2, 3);
    } else if (change == "insert a column") {
        table->insertColumns(1, 1);
    } else if (change == "remove a column") {
        table->removeColumns(0, 1);
    } else if (change == "merge across columns") {
        table->mergeCells(4, 0, 1, 3);
    } else if (change == "merge across rows") {
        table->mergeCells(1, 2, 4, 1);
    } else if (change == "split a merged cell") {
        table->splitCell(2, 1, 1, 1);
    } else if (change == "column widths") {
        format.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 60), QTextLength(),
                                          QTextLength(QTextLength::PercentageLength, 20)});
        table->setFormat(format);
    } else if (change == "cell padding") {
        setCellPadding(5, 1);
    } else if (change == "first cell's padding") {
        setCellPadding(0, 0);
    } else if (change == "table border") {
        format.setBorder(4);
        format.setCellSpacing(2);
        table->setFormat(format);
    } else if (change == "undo a row's removal") {
        QTextCursor cursor = table->cellAt(4, 0).firstCursorPosition();
        cursor.beginEditBlock();
        table->removeRows(4, 1);
        cursor.endEditBlock();
        editor.document()->undo();
    }
    const LayoutSnapshot incremental = snapshot(editor);
    relayoutFromScratch(editor);
    const LayoutSnapshot full = snapshot(editor);
    QCOMPARE(incremental.rects, full.rects);
    QCOMPARE(incremental.lines, full.lines);
    QCOMPARE(incremental.hits, full.hits);
    QCOMPARE(incremental.tables, full.tables);
    QCOMPARE(incremental.pageTops, full.pageTops);
    QVERIFY(qFuzzyCompare(incremental.height, full.height));
}

// A selection of a block of cells fills each selected cell whole, not only its text.
void TestRichEditTables::selectedCellsAreFilledWhole()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 300);
    // The first row is tall for the long text in its first cell; the second column is empty.
    QTextTable *table = insertTable(editor, {words(30), QString(), QStringLiteral("b"), QString(),
                                             QStringLiteral("c"), QString()}, 2);
    QTextCursor cursor = table->cellAt(0, 1).firstCursorPosition();
    cursor.setPosition(table->cellAt(1, 1).firstPosition(), QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
    QVERIFY(editor.textCursor().hasComplexSelection());

    const QPointF scroll(editor.horizontalScrollBar()->value(), editor.verticalScrollBar()->value());
    const QRectF selected = cellRect(editor, table, 0, 1);
    const QRectF below = cellRect(editor, table, 1, 1);
    const QRectF unselected = cellRect(editor, table, 2, 1);
    QVERIFY2(below.top() - selected.bottom() > 10, "the empty cell's box reaches far below its paragraph");
    const QImage image = editor.viewport()->grab().toImage();
    const auto colourAt = [&](const QPointF &inDocument) { return image.pixelColor((inDocument - scroll).toPoint()); };
    const QList<QColor> highlight{editor.palette().color(QPalette::Active, QPalette::Highlight),
                                  editor.palette().color(QPalette::Inactive, QPalette::Highlight)};
    const qreal x = selected.center().x();
    QVERIFY2(highlight.contains(colourAt(QPointF(x, below.top() - 4))), "the first row's cell, below its text");
    QVERIFY2(highlight.contains(colourAt(below.center())), "the second row's cell");
    QVERIFY2(!highlight.contains(colourAt(unselected.center())), "the cell outside the selection");
}

void TestRichEditTables::drawingPartOfATableMatchesTheWhole_data()
{
    QTest::addColumn<qreal>("from"); // the part drawn, in fractions of the document's height
    QTest::addColumn<qreal>("to");
    QTest::newRow("inside a merged cell begun above") << 0.45 << 0.6;
    QTest::newRow("across the merged cell's end") << 0.55 << 0.75;
    QTest::newRow("the last rows and below") << 0.8 << 1.0;
}

// A repaint of part of a table (the view's clip) paints there just what a paint of all of it
// does: shading, a merged cell that begins above the part, borders, a selection of cells.
void TestRichEditTables::drawingPartOfATableMatchesTheWhole()
{
    QFETCH(qreal, from);
    QFETCH(qreal, to);
    TTntRichEdit editor;
    prepareEditor(editor, 360, 300);
    QTextTableFormat format = plainTableFormat();
    format.setBorder(1);
    format.setCellPadding(2);
    QStringList cells;
    for (int i = 0; i < 36; ++i)
        cells << words(i % 5 * 3);
    QTextTable *table = insertTable(editor, cells, 3, format);
    table->mergeCells(3, 0, 5, 1);
    QTextTableCell merged = table->cellAt(3, 0);
    QTextCharFormat mergedFormat = merged.format();
    mergedFormat.setBackground(Qt::yellow);
    mergedFormat.setVerticalAlignment(QTextCharFormat::AlignBottom);
    merged.setFormat(mergedFormat);
    QTextTableCell shaded = table->cellAt(9, 2);
    QTextCharFormat shadedFormat = shaded.format();
    shadedFormat.setBackground(Qt::cyan);
    shaded.setFormat(shadedFormat);
    QTextCursor selection = table->cellAt(2, 1).firstCursorPosition();
    selection.setPosition(table->cellAt(9, 2).firstPosition(), QTextCursor::KeepAnchor);
    QVERIFY(selection.hasComplexSelection());

    QAbstractTextDocumentLayout *layout = editor.document()->documentLayout();
    const QSizeF size = layout->documentSize();
    const QRect part(0, int(size.height() * from), int(size.width()), int(size.height() * (to - from)));
    const auto paint = [&](const QRectF &clip) {
        QImage image(size.toSize(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setClipRect(part);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = editor.palette();
        context.clip = clip;
        QAbstractTextDocumentLayout::Selection selected;
        selected.cursor = selection;
        selected.format.setBackground(Qt::magenta);
        context.selections << selected;
        layout->draw(&painter, context);
        return image.copy(part);
    };
    const QImage whole = paint(QRectF(QPointF(0, 0), size));
    const QImage inPart = paint(part);
    QImage blank(whole.size(), whole.format());
    blank.fill(Qt::white);
    QVERIFY2(whole != blank, "the part shows something of the table");
    QCOMPARE(inPart, whole);
}

void TestRichEditTables::pagesBreakBetweenRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("wordsPerCell");
    QTest::addColumn<qreal>("pageInRows"); // page height, in heights of the first row
    QTest::newRow("rows shorter than a page") << 30 << 12 << 4.5;
    QTest::newRow("a row taller than a page") << 1 << 300 << 0.3;
}

void TestRichEditTables::pagesBreakBetweenRows()
{
    QFETCH(int, rows);
    QFETCH(int, wordsPerCell);
    QFETCH(qreal, pageInRows);
    TTntRichEdit editor;
    prepareEditor(editor, 300, 400);
    QStringList cells;
    for (int i = 0; i < rows; ++i)
        cells << words(wordsPerCell) << QStringLiteral("r%1").arg(i);
    QTextTable *table = insertTable(editor, cells, 2);
    auto *layout = static_cast<TextFlowLayout *>(editor.document()->documentLayout());
    const qreal pageHeight = cellRect(editor, table, 0, 0).height() * pageInRows;
    const QList<qreal> tops = layout->pageTops(pageHeight);

    // Where a page may begin: a row's top, or a line's top inside a row taller than a page.
    QList<qreal> allowed;
    for (int r = 0; r < rows; ++r) {
        const QTextBlock block = table->cellAt(r, 0).firstCursorPosition().block();
        const QRectF rect = rectOf(editor, block);
        allowed << rect.top();
        if (rect.height() > pageHeight)
            for (int i = 0; i < block.layout()->lineCount(); ++i)
                allowed << rect.top() + block.layout()->lineAt(i).y();
    }
    allowed << rectOf(editor, editor.document()->lastBlock()).top();
    const qreal end = layout->documentSize().height();
    QVERIFY(tops.size() >= 2);
    for (int i = 1; i < tops.size(); ++i) {
        QVERIFY2(allowed.contains(tops[i]), qPrintable(QStringLiteral("page %1 starts at %2").arg(i).arg(tops[i])));
        QVERIFY(tops[i] - tops[i - 1] <= pageHeight);
        QVERIFY(tops[i] > tops[i - 1]);
    }
    QVERIFY(end - tops.last() <= pageHeight + 1);
}

QTEST_MAIN(TestRichEditTables)
#include "tst_richedit_tables.moc"

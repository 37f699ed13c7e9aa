// Position counts of the editor: CR LF positions for the selection and the text, the
// document's own positions and display lines for the caret and line functions.
#include "RichEditTestSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextLayout>

namespace {

// Display line of a position, counted by walking every block's layout: the reference
// the control's stored line counts must agree with.
int referenceLine(const QTextDocument *doc, int pos)
{
    int line = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        doc->documentLayout()->blockBoundingRect(block); // has its lines made
        const QTextLayout *layout = block.layout();
        if (pos < block.position() + block.length()) {
            const QTextLine l = layout->lineForTextPosition(pos - block.position());
            return line + (l.isValid() ? l.lineNumber() : layout->lineCount() - 1);
        }
        line += qMax(1, layout->lineCount());
    }
    return -1;
}

QString words(int count, const QString &word = QStringLiteral("word"))
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << word + QString::number(i);
    return list.join(QLatin1Char(' '));
}

} // namespace

class TestRichEditPositions : public QObject
{
    Q_OBJECT

private slots:
    void textCountsBreaksAsCrLf_data();
    void textCountsBreaksAsCrLf();
    void mappingBetweenCounts_data();
    void mappingBetweenCounts();
    void selectionInsideBreak_data();
    void selectionInsideBreak();
    void selectedTextUsesCrLf();
    void selectionClampsToText();
    void caretPosCountsBreakAsOne();
    void displayLinesFollowWrapping();
    void lineIndexOfEveryLine();
    void linesStayRightThroughEdits();
    void linesFollowWidthChange();
};

void TestRichEditPositions::textCountsBreaksAsCrLf_data()
{
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");

    QTest::newRow("one line") << "abc" << "abc" << 3;
    QTest::newRow("two lines") << "ab\ncd" << "ab\r\ncd" << 6;
    QTest::newRow("empty paragraphs") << "\n\n" << "\r\n\r\n" << 4;
    QTest::newRow("line separator") << QString("a") + QChar(0x2028) + "b" << "a\r\nb" << 4;
    QTest::newRow("surrogate pair") << QString("x") + QChar(0xD83D) + QChar(0xDE00) + "\ny"
                                    << QString("x") + QChar(0xD83D) + QChar(0xDE00) + "\r\ny" << 6;
    QTest::newRow("trailing break") << "a\n" << "a\r\n" << 3;
}

void TestRichEditPositions::textCountsBreaksAsCrLf()
{
    QFETCH(QString, inserted);
    QFETCH(QString, text);
    QFETCH(int, selStart);
    TTntRichEdit editor;
    editor.ReplaceSelection(inserted);
    QCOMPARE(editor.Text(), text);
    QCOMPARE(editor.SelStart(), selStart);
    QCOMPARE(editor.SelLength(), 0);
}

void TestRichEditPositions::mappingBetweenCounts_data()
{
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<int>("docPos");
    QTest::addColumn<int>("crlfPos");

    // "ab|cd|" -> CR LF text "ab\r\ncd"
    QTest::newRow("start") << "ab\ncd" << 0 << 0;
    QTest::newRow("end of first line") << "ab\ncd" << 2 << 2;
    QTest::newRow("start of second line") << "ab\ncd" << 3 << 4;
    QTest::newRow("end of text") << "ab\ncd" << 5 << 6;
    QTest::newRow("empty paragraphs 1") << "\n\n\nx" << 1 << 2;
    QTest::newRow("empty paragraphs 2") << "\n\n\nx" << 2 << 4;
    QTest::newRow("empty paragraphs 3") << "\n\n\nx" << 4 << 7;
    QTest::newRow("after surrogate pair") << QString("a") + QChar(0xD83D) + QChar(0xDE00) + "\nb" << 5 << 6;
}

void TestRichEditPositions::mappingBetweenCounts()
{
    QFETCH(QString, inserted);
    QFETCH(int, docPos);
    QFETCH(int, crlfPos);
    TTntRichEdit editor;
    editor.ReplaceSelection(inserted);
    QCOMPARE(editor.DocToCrLfPos(docPos), crlfPos);
    QCOMPARE(editor.CrLfToDocPos(crlfPos), docPos);
    // Every CR LF position maps to a document position whose CR LF position is not after it.
    const int length = editor.Text().size();
    for (int c = 0; c <= length; ++c) {
        const int d = editor.CrLfToDocPos(c);
        QVERIFY2(editor.DocToCrLfPos(d) <= c, qPrintable(QString::number(c)));
        QVERIFY(editor.DocToCrLfPos(d) >= c - 1);
    }
}

void TestRichEditPositions::selectionInsideBreak_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("selText");
    QTest::addColumn<int>("caret");

    // Text "ab\r\ncd": CR at 2, LF at 3.
    QTest::newRow("one on CR") << 2 << 1 << 2 << 0 << "" << 2;
    QTest::newRow("one on LF") << 3 << 1 << 2 << 0 << "" << 2;
    QTest::newRow("caret on LF") << 3 << 0 << 2 << 0 << "" << 2;
    QTest::newRow("whole break") << 2 << 2 << 2 << 2 << "\r\n" << 2;
    QTest::newRow("LF and next char") << 3 << 2 << 4 << 1 << "c" << 3;
    QTest::newRow("char and CR") << 1 << 2 << 1 << 1 << "b" << 1;
    QTest::newRow("char and break") << 1 << 3 << 1 << 3 << "b\r\n" << 1;
    QTest::newRow("across") << 0 << 6 << 0 << 6 << "ab\r\ncd" << 0;
    QTest::newRow("backwards") << 4 << -2 << 2 << 2 << "\r\n" << 2;
}

void TestRichEditPositions::selectionInsideBreak()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, selText);
    QFETCH(int, caret);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab\ncd"));
    editor.SetSel(start, length);
    QCOMPARE(editor.SelStart(), selStart);
    QCOMPARE(editor.SelLength(), selLength);
    QCOMPARE(editor.SelText(), selText);
    QCOMPARE(editor.CaretPos(), caret);
}

void TestRichEditPositions::selectedTextUsesCrLf()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("one\n\ntwo\nthree"));
    editor.SetSelStart(2);
    editor.SetSelLength(10);
    QCOMPARE(editor.SelText(), QStringLiteral("e\r\n\r\ntwo\r\n"));
    QCOMPARE(editor.SelStart(), 2);
    QCOMPARE(editor.SelLength(), 10);
    // Ending on the LF leaves the half break out.
    editor.SetSelLength(9);
    QCOMPARE(editor.SelText(), QStringLiteral("e\r\n\r\ntwo"));
    QCOMPARE(editor.SelLength(), 8);
}

void TestRichEditPositions::selectionClampsToText()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab\ncd"));
    editor.SetSel(4, 100);
    QCOMPARE(editor.SelText(), QStringLiteral("cd"));
    editor.SetSel(100, 0);
    QCOMPARE(editor.SelStart(), 6);
    editor.SetSel(-5, 0);
    QCOMPARE(editor.SelStart(), 0);
}

void TestRichEditPositions::caretPosCountsBreakAsOne()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab\n\ncd"));
    editor.SetSel(6, 0); // before "c"
    QCOMPARE(editor.CaretPos(), 4);
    QCOMPARE(editor.LineFromChar(editor.CaretPos()), 2);
    QCOMPARE(editor.LineIndex(2), 4);
    QCOMPARE(editor.LineIndex(1), 3);
    QCOMPARE(editor.LineIndex(-1), 4);
    QCOMPARE(editor.LineIndex(3), -1);
}

void TestRichEditPositions::displayLinesFollowWrapping()
{
    TTntRichEdit editor;
    prepareEditor(editor, 200, 200);
    const QString longParagraph = words(40);
    editor.ReplaceSelection(longParagraph + QStringLiteral("\nshort"));
    const QTextBlock first = editor.document()->firstBlock();
    editor.LineFromChar(0);
    const int wrapped = first.layout()->lineCount();
    QVERIFY2(wrapped > 2, "the paragraph should wrap at this width");

    // The caret at the start of the second display line is on line 1.
    const int secondLineStart = first.layout()->lineAt(1).textStart();
    QCOMPARE(editor.LineFromChar(secondLineStart), 1);
    QCOMPARE(editor.LineFromChar(secondLineStart - 1), 0);
    QCOMPARE(editor.LineIndex(1), secondLineStart);
    // The second paragraph starts after all wrapped pieces of the first.
    const int shortStart = first.length();
    QCOMPARE(editor.LineFromChar(shortStart), wrapped);
    QCOMPARE(editor.LineIndex(wrapped), shortStart);
}

void TestRichEditPositions::lineIndexOfEveryLine()
{
    TTntRichEdit editor;
    prepareEditor(editor, 220, 200);
    editor.ReplaceSelection(words(30) + "\n\n" + words(12, "x") + "\nend");
    const QTextDocument *doc = editor.document();
    const int last = doc->characterCount() - 1;
    for (int pos = 0; pos <= last; ++pos) {
        const int line = editor.LineFromChar(pos);
        QCOMPARE(line, referenceLine(doc, pos));
        const int start = editor.LineIndex(line);
        QVERIFY(start <= pos);
        QCOMPARE(editor.LineFromChar(start), line);
        if (start > 0)
            QCOMPARE(editor.LineFromChar(start - 1), line - 1);
    }
}

// Random edits anywhere: the stored per-paragraph line counts must keep matching a full
// recount after every edit.
void TestRichEditPositions::linesStayRightThroughEdits()
{
    TTntRichEdit editor;
    prepareEditor(editor, 240, 200);
    QRandomGenerator random(7);
    const QStringList pieces = {words(25), QStringLiteral("\n"), QStringLiteral("a b c "), words(8, "long"),
                                QStringLiteral("\n\n"), QString()};
    for (int round = 0; round < 60; ++round) {
        const int length = editor.Text().size();
        const int start = random.bounded(length + 1);
        const int selLength = random.bounded(qMin(40, length - start) + 1);
        editor.SetSel(start, selLength);
        editor.ReplaceSelection(pieces.at(random.bounded(pieces.size())));
        const QTextDocument *doc = editor.document();
        const int last = doc->characterCount() - 1;
        for (int probe = 0; probe < 5; ++probe) {
            const int pos = random.bounded(last + 1);
            QCOMPARE(editor.LineFromChar(pos), referenceLine(doc, pos));
        }
        QCOMPARE(editor.LineFromChar(last), referenceLine(doc, last));
    }
}

void TestRichEditPositions::linesFollowWidthChange()
{
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    editor.ReplaceSelection(words(30) + "\n" + words(30) + "\nend");
    const QTextDocument *doc = editor.document();
    const int last = doc->characterCount() - 1;
    const int wide = editor.LineFromChar(last);
    QCOMPARE(wide, referenceLine(doc, last));
    editor.resize(180, 200);
    QTest::qWait(1);
    const int narrow = editor.LineFromChar(last);
    QCOMPARE(narrow, referenceLine(doc, last));
    QVERIFY(narrow > wide);
}

QTEST_MAIN(TestRichEditPositions)
#include "tst_richedit_positions.moc"

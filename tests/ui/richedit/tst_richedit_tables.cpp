// Tables in the control: the text reads and their positions, and editing in cells.
#include "RichEditTestSupport.h"

#include <QTextTable>

namespace {

// "x", a table of two rows ("a" "b" / "c" ""), "y".
const QString kTableDocument = QStringLiteral(
    "{\\rtf1{\\fonttbl{\\f0\\fcharset0 Arial;}}x\\par\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row"
    "\\trowd\\cellx1000\\cellx2000\\intbl c\\cell\\cell\\row\\pard y\\par}");

} // namespace

class TestRichEditTables : public QObject
{
    Q_OBJECT

private slots:
    void textAndPositions();
    void keysInCells_data();
    void keysInCells();
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

QTEST_MAIN(TestRichEditTables)
#include "tst_richedit_tables.moc"

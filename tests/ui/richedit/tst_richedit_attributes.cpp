// Character attributes (selection set and default set) and paragraph attributes.
#include "RichEditTestSupport.h"

#include "RtfCodec.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

namespace {

// Applies a format to a range of document positions directly, as loaded text would carry.
void formatRange(TTntRichEdit &editor, int from, int to, const QTextCharFormat &format)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(format);
}

QTextCharFormat boldFormat()
{
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    return f;
}

QTextCharFormat italicFormat()
{
    QTextCharFormat f;
    f.setFontItalic(true);
    return f;
}

QTextCharFormat formatAt(TTntRichEdit &editor, int docPos)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(docPos + 1);
    return cursor.charFormat();
}

} // namespace

class TestRichEditAttributes : public QObject
{
    Q_OBJECT

private slots:
    void selectionReadsFirstCharacter_data();
    void selectionReadsFirstCharacter();
    void breakReadsLikeCaretAtLineEnd();
    void caretWriteChangesInsertionOnly();
    void selectionWriteChangesText();
    void defaultSetReachesTypedText();
    void defaultSetHoldsInEmptyDocument();
    void defaultSetIgnoresSelectedText();
    void colorRoundTrip_data();
    void colorRoundTrip();
    void automaticColorIsMarked();
    void styleRoundTrip_data();
    void styleRoundTrip();
    void sizeDropsFraction_data();
    void sizeDropsFraction();
    void charsetAndPitch_data();
    void charsetAndPitch();
    void faceNameGetsFallback();
    void indentStorage_data();
    void indentStorage();
    void indentWritesKeepOtherIndent();
    void paragraphWritesReachEverySelectedBlock();
    void alignment_data();
    void alignment();
    void numberingAdjustsLeftIndent_data();
    void numberingAdjustsLeftIndent();
    void anyListCountsAsNumbering();
};

void TestRichEditAttributes::selectionReadsFirstCharacter_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("style");

    // "aaBBcc": B bold (CR LF positions 2 and 3), second line "dd" italic.
    QTest::newRow("plain then bold") << 0 << 4 << 0;
    QTest::newRow("bold then plain") << 3 << 3 << int(fsBold);
    QTest::newRow("single bold") << 2 << 1 << int(fsBold);
    QTest::newRow("italic line") << 8 << 2 << int(fsItalic);
    QTest::newRow("caret after bold") << 4 << 0 << int(fsBold);
    QTest::newRow("caret before bold") << 2 << 0 << 0;
}

void TestRichEditAttributes::selectionReadsFirstCharacter()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, style);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("aaBBcc\ndd"));
    formatRange(editor, 2, 4, boldFormat());
    formatRange(editor, 7, 9, italicFormat());
    editor.SetSel(start, length);
    QCOMPARE(editor.SelAttributes().Style(), style);
}

// A one-position selection on either half of a break reads what the caret at the end of
// that line reads: here the bold last character of the first line.
void TestRichEditAttributes::breakReadsLikeCaretAtLineEnd()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab\ncd"));
    formatRange(editor, 1, 2, boldFormat());
    formatRange(editor, 3, 5, italicFormat());
    for (int start : {2, 3}) {
        editor.SetSel(start, 1);
        QCOMPARE(editor.SelText(), QString());
        QCOMPARE(editor.SelAttributes().Style(), int(fsBold));
    }
    // A selection that starts with the whole break reads the same.
    editor.SetSel(2, 3);
    QCOMPARE(editor.SelAttributes().Style(), int(fsBold));
}

void TestRichEditAttributes::caretWriteChangesInsertionOnly()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.SetSel(1, 0);
    editor.SelAttributes().SetStyle(fsItalic);
    QCOMPARE(editor.SelAttributes().Style(), int(fsItalic));
    for (int pos = 0; pos < 3; ++pos)
        QVERIFY(!formatAt(editor, pos).fontItalic());
    editor.ReplaceSelection(QStringLiteral("X"));
    QVERIFY(formatAt(editor, 1).fontItalic());
    QVERIFY(!formatAt(editor, 2).fontItalic());
    QCOMPARE(editor.Text(), QStringLiteral("aXbc"));
}

void TestRichEditAttributes::selectionWriteChangesText()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abcd"));
    editor.SetSel(1, 2);
    editor.SelAttributes().SetSize(20);
    editor.SelAttributes().SetName(QStringLiteral("Liberation Serif"));
    QCOMPARE(editor.SelAttributes().Size(), 20);
    QCOMPARE(editor.SelAttributes().Name(), QStringLiteral("Liberation Serif"));
    QCOMPARE(formatAt(editor, 1).fontPointSize(), 20.0);
    QCOMPARE(formatAt(editor, 2).fontPointSize(), 20.0);
    QVERIFY(formatAt(editor, 3).fontPointSize() != 20.0);
    QVERIFY(editor.Modified());
}

void TestRichEditAttributes::defaultSetReachesTypedText()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    QTest::keyClicks(&editor, QStringLiteral("ab"));
    editor.DefAttributes().SetName(QStringLiteral("Liberation Mono"));
    editor.DefAttributes().SetSize(17);
    QCOMPARE(editor.DefAttributes().Name(), QStringLiteral("Liberation Mono"));
    QCOMPARE(editor.DefAttributes().Size(), 17);
    QCOMPARE(editor.defaultCharFormat().fontPointSize(), 17.0);
    QTest::keyClicks(&editor, QStringLiteral("c"));
    QCOMPARE(formatAt(editor, 2).fontPointSize(), 17.0);
    QVERIFY(formatAt(editor, 1).fontPointSize() != 17.0);
}

// In an empty document the default set must hold even after the caret was put down again
// (a click drops any pending insertion format).
void TestRichEditAttributes::defaultSetHoldsInEmptyDocument()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.DefAttributes().SetName(QStringLiteral("Liberation Serif"));
    editor.DefAttributes().SetSize(14);
    QVERIFY(!editor.Modified());
    QVERIFY(!editor.CanUndo());
    editor.setTextCursor(QTextCursor(editor.document()));
    QTest::keyClicks(&editor, QStringLiteral("x"));
    QCOMPARE(formatAt(editor, 0).fontPointSize(), 14.0);
    QCOMPARE(editor.SelAttributes().Name(), QStringLiteral("Liberation Serif"));
    // Clear starts again from the default set.
    editor.SelAttributes().SetSize(30);
    QTest::keyClicks(&editor, QStringLiteral("y"));
    editor.Clear();
    QCOMPARE(editor.SelAttributes().Size(), 14);
    QTest::keyClicks(&editor, QStringLiteral("z"));
    QCOMPARE(formatAt(editor, 0).fontPointSize(), 14.0);
}

void TestRichEditAttributes::defaultSetIgnoresSelectedText()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.SetSel(0, 3);
    editor.DefAttributes().SetStyle(fsUnderline);
    for (int pos = 0; pos < 3; ++pos)
        QVERIFY(!formatAt(editor, pos).fontUnderline());
    QVERIFY(editor.defaultCharFormat().fontUnderline());
}

void TestRichEditAttributes::colorRoundTrip_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("blue");
    QTest::newRow("red") << int(RGBToColor(255, 0, 0)) << 255 << 0;
    QTest::newRow("navy") << int(RGBToColor(0, 0, 128)) << 0 << 128;
    QTest::newRow("sky blue") << int(RGBToColor(166, 202, 240)) << 166 << 240;
    QTest::newRow("black") << int(RGBToColor(0, 0, 0)) << 0 << 0;
}

void TestRichEditAttributes::colorRoundTrip()
{
    QFETCH(int, color);
    QFETCH(int, red);
    QFETCH(int, blue);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.SetSel(0, 2);
    QCOMPARE(editor.SelAttributes().Color(), clWindowText);
    editor.SelAttributes().SetColor(color);
    QCOMPARE(editor.SelAttributes().Color(), color);
    const QColor stored = formatAt(editor, 0).foreground().color();
    QCOMPARE(stored.red(), red);
    QCOMPARE(stored.blue(), blue);
    QVERIFY(!formatAt(editor, 0).boolProperty(rtf::AutoColorProperty));
    // Back to automatic colour.
    editor.SelAttributes().SetColor(clWindowText);
    QCOMPARE(editor.SelAttributes().Color(), clWindowText);
}

void TestRichEditAttributes::automaticColorIsMarked()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.SetSel(0, 3);
    editor.SelAttributes().SetColor(RGBToColor(1, 2, 3));
    editor.SetSel(1, 1);
    editor.SelAttributes().SetColor(clWindowText);
    const QTextCharFormat automatic = formatAt(editor, 1);
    QVERIFY(automatic.boolProperty(rtf::AutoColorProperty));
    QCOMPARE(automatic.foreground().style(), Qt::NoBrush);
    editor.SetSel(0, 1);
    QCOMPARE(editor.SelAttributes().Color(), RGBToColor(1, 2, 3));
    // Values that are not RGB colours (other than the window-text colour) change nothing.
    editor.SelAttributes().SetColor(clNone);
    QCOMPARE(editor.SelAttributes().Color(), RGBToColor(1, 2, 3));
}

void TestRichEditAttributes::styleRoundTrip_data()
{
    QTest::addColumn<int>("style");
    for (int style = 0; style < 16; ++style)
        QTest::addRow("style %d", style) << style;
}

void TestRichEditAttributes::styleRoundTrip()
{
    QFETCH(int, style);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.SetSel(0, 3);
    editor.SelAttributes().SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
    editor.SelAttributes().SetStyle(style);
    QCOMPARE(editor.SelAttributes().Style(), style);
    editor.SetSel(2, 1);
    QCOMPARE(editor.SelAttributes().Style(), style);
    // The caret's set reads and writes the same bits.
    editor.SetSel(3, 0);
    editor.SelAttributes().SetStyle(style ^ 15);
    QCOMPARE(editor.SelAttributes().Style(), style ^ 15);
}

void TestRichEditAttributes::sizeDropsFraction_data()
{
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("read");
    QTest::newRow("whole") << 12.0 << 12;
    QTest::newRow("half") << 10.5 << 10;
    QTest::newRow("almost") << 13.9 << 13;
}

void TestRichEditAttributes::sizeDropsFraction()
{
    QFETCH(double, stored);
    QFETCH(int, read);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    QTextCharFormat size;
    size.setFontPointSize(stored);
    formatRange(editor, 0, 3, size);
    editor.SetSel(0, 2);
    QCOMPARE(editor.SelAttributes().Size(), read);
    // Sizes of 0 and below are not applied.
    editor.SelAttributes().SetSize(0);
    QCOMPARE(editor.SelAttributes().Size(), read);
    editor.SelAttributes().SetSize(-4);
    QCOMPARE(editor.SelAttributes().Size(), read);
}

void TestRichEditAttributes::charsetAndPitch_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("pitch");
    QTest::newRow("arabic fixed") << 178 << int(TFontPitch::Fixed);
    QTest::newRow("ansi variable") << 0 << int(TFontPitch::Variable);
    QTest::newRow("symbol default") << 2 << int(TFontPitch::Default);
}

void TestRichEditAttributes::charsetAndPitch()
{
    QFETCH(int, charset);
    QFETCH(int, pitch);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.SetSel(0, 3);
    QCOMPARE(editor.SelAttributes().Charset(), 1);
    QCOMPARE(editor.SelAttributes().Pitch(), TFontPitch::Default);
    editor.SelAttributes().SetCharset(charset);
    editor.SelAttributes().SetPitch(TFontPitch::Fixed);
    editor.SelAttributes().SetPitch(TFontPitch(pitch));
    QCOMPARE(editor.SelAttributes().Charset(), charset);
    QCOMPARE(int(editor.SelAttributes().Pitch()), pitch);
    QCOMPARE(formatAt(editor, 1).intProperty(rtf::CharsetProperty), charset);
}

void TestRichEditAttributes::faceNameGetsFallback()
{
    TTntRichEdit editor;
    editor.DefAttributes().SetName(QStringLiteral("ArialCoptic"));
    QVERIFY(QFont::substitutes(QStringLiteral("ArialCoptic")).contains(QStringLiteral("Noto Sans Coptic"), Qt::CaseInsensitive));
    QVERIFY(QFont::substitutes(QStringLiteral("ArialCoptic")).contains(QStringLiteral("Noto Naskh Arabic"), Qt::CaseInsensitive));
    QVERIFY(QFont::substitutes(editor.font().family()).contains(QStringLiteral("Noto Sans Coptic"), Qt::CaseInsensitive));
}

void TestRichEditAttributes::indentStorage_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::newRow("zero") << 0 << 0 << 0;
    QTest::newRow("hanging") << 0 << 10 << 0;
    QTest::newRow("all") << 18 << 9 << 36;
    QTest::newRow("odd points") << 1 << 2 << 5;
    QTest::newRow("negative first") << -3 << 3 << 0;
    QTest::newRow("outdent") << 20 << -7 << 1;
}

void TestRichEditAttributes::indentStorage()
{
    QFETCH(int, first);
    QFETCH(int, left);
    QFETCH(int, right);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("para"));
    TParaAttributes &p = editor.Paragraph();
    p.SetFirstIndent(first);
    p.SetLeftIndent(left);
    p.SetRightIndent(right);
    QCOMPARE(p.FirstIndent(), first);
    QCOMPARE(p.LeftIndent(), left);
    QCOMPARE(p.RightIndent(), right);
    const QTextBlockFormat format = editor.document()->firstBlock().blockFormat();
    QCOMPARE(qRound(format.leftMargin() * 3), (first + left) * 4);
    QCOMPARE(qRound(format.textIndent() * 3), -left * 4);
    QCOMPARE(qRound(format.rightMargin() * 3), right * 4);
}

void TestRichEditAttributes::indentWritesKeepOtherIndent()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("para"));
    TParaAttributes &p = editor.Paragraph();
    p.SetFirstIndent(12);
    p.SetLeftIndent(6);
    p.SetFirstIndent(30); // following lines stay 6 points right of the first line
    QCOMPARE(p.LeftIndent(), 6);
    p.SetLeftIndent(-4);
    QCOMPARE(p.FirstIndent(), 30);
}

void TestRichEditAttributes::paragraphWritesReachEverySelectedBlock()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("one\ntwo\nthree\nfour"));
    editor.SetSel(1, 10); // from "one" into "three"
    editor.Paragraph().SetAlignment(2);
    editor.Paragraph().SetLeftIndent(15);
    const QTextDocument *doc = editor.document();
    for (int n = 0; n < 3; ++n) {
        QCOMPARE(doc->findBlockByNumber(n).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(qRound(-doc->findBlockByNumber(n).blockFormat().textIndent() * 3 / 4), 15);
    }
    QCOMPARE(doc->findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    // The first selected paragraph decides what is read.
    editor.SetSel(editor.Text().indexOf("four"), 0);
    editor.Paragraph().SetAlignment(1);
    editor.SetSel(editor.Text().indexOf("three"), 6);
    QCOMPARE(editor.Paragraph().Alignment(), 2);
    // One undo step takes back a write over several paragraphs.
    editor.SetSel(0, 0);
    editor.undo();
    editor.undo();
    QCOMPARE(doc->findBlockByNumber(0).blockFormat().textIndent(), 0.0);
    QCOMPARE(doc->findBlockByNumber(2).blockFormat().textIndent(), 0.0);
}

void TestRichEditAttributes::alignment_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("qtAlignment");
    QTest::newRow("left") << 0 << 0 << int(Qt::AlignLeft);
    QTest::newRow("right") << 1 << 1 << int(Qt::AlignRight);
    QTest::newRow("centre") << 2 << 2 << int(Qt::AlignHCenter);
    QTest::newRow("justified") << 3 << 3 << int(Qt::AlignJustify);
    QTest::newRow("unknown value keeps centre") << 9 << 2 << int(Qt::AlignHCenter);
}

void TestRichEditAttributes::alignment()
{
    QFETCH(int, written);
    QFETCH(int, read);
    QFETCH(int, qtAlignment);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("text"));
    editor.Paragraph().SetAlignment(2);
    editor.Paragraph().SetAlignment(written);
    QCOMPARE(editor.Paragraph().Alignment(), read);
    QCOMPARE(int(editor.document()->firstBlock().blockFormat().alignment()), qtAlignment);
}

void TestRichEditAttributes::numberingAdjustsLeftIndent_data()
{
    QTest::addColumn<int>("leftBefore");
    QTest::addColumn<int>("numbering");
    QTest::addColumn<int>("leftAfter");
    QTest::newRow("bullet raises 4 to 10") << 4 << 1 << 10;
    QTest::newRow("bullet raises negative to 10") << -2 << 1 << 10;
    QTest::newRow("bullet keeps 10") << 10 << 1 << 10;
    QTest::newRow("bullet keeps 25") << 25 << 1 << 25;
    QTest::newRow("none sets 0") << 25 << 0 << 0;
}

void TestRichEditAttributes::numberingAdjustsLeftIndent()
{
    QFETCH(int, leftBefore);
    QFETCH(int, numbering);
    QFETCH(int, leftAfter);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("one\ntwo\nthree"));
    editor.SetSel(0, 7);
    TParaAttributes &p = editor.Paragraph();
    p.SetFirstIndent(5);
    if (numbering == 0)
        p.SetNumbering(1);
    p.SetLeftIndent(leftBefore);
    p.SetNumbering(numbering);
    QCOMPARE(p.Numbering(), numbering);
    QCOMPARE(p.LeftIndent(), leftAfter);
    QCOMPARE(p.FirstIndent(), 5);
    const QTextDocument *doc = editor.document();
    for (int n = 0; n < 2; ++n)
        QCOMPARE(doc->findBlockByNumber(n).textList() != nullptr, numbering == 1);
    QVERIFY(!doc->findBlockByNumber(2).textList());
    if (numbering == 1) {
        QCOMPARE(doc->firstBlock().textList()->format().style(), QTextListFormat::ListDisc);
        QCOMPARE(doc->firstBlock().textList(), doc->findBlockByNumber(1).textList());
    }
}

void TestRichEditAttributes::anyListCountsAsNumbering()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("one\ntwo"));
    QTextCursor cursor(editor.document());
    cursor.createList(QTextListFormat::ListDecimal);
    editor.SetSel(0, 0);
    QCOMPARE(editor.Paragraph().Numbering(), 1);
    editor.SetSel(5, 0);
    QCOMPARE(editor.Paragraph().Numbering(), 0);
    editor.SetSel(0, 0);
    editor.Paragraph().SetNumbering(0);
    QVERIFY(!editor.document()->firstBlock().textList());
}

QTEST_MAIN(TestRichEditAttributes)
#include "tst_richedit_attributes.moc"

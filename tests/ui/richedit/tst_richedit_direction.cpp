// Paragraph direction: the attribute, the layout of right-to-left paragraphs, the caret keys
// and hit testing in right-to-left, left-to-right and mixed paragraphs, and the Ctrl+Shift keys.
#include "RichEditTestSupport.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

namespace {

const QString kArabic = QString::fromUtf8("مرحبا Kalvero 2.0 جديد.");
const QString kLatin = QStringLiteral("Hello world again.");
const QString kCoptic = QString::fromUtf8("ⲡⲓⲛⲟⲩϯ ⲁⲅⲁⲡⲏ");

void setText(TTntRichEdit &editor, const QString &text, TParaDirection direction)
{
    editor.Clear();
    editor.ReplaceSelection(text);
    editor.SetSel(0, 0);
    editor.Paragraph().SetDirection(direction);
}

void press(TTntRichEdit &editor, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(&editor, key, modifiers);
}

// Sends a Shift key of one side as X11 reports it (key symbol and key code).
void shiftKey(TTntRichEdit &editor, QEvent::Type type, bool right, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent e(type, Qt::Key_Shift, modifiers, right ? 62 : 50, right ? 0xffe2 : 0xffe1, 0);
    QApplication::sendEvent(&editor, &e);
}

void controlKey(TTntRichEdit &editor, QEvent::Type type, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent e(type, Qt::Key_Control, modifiers, 37, 0xffe3, 0);
    QApplication::sendEvent(&editor, &e);
}

int caretX(TTntRichEdit &editor)
{
    return editor.cursorRect().center().x();
}

} // namespace

class TestRichEditDirection : public QObject
{
    Q_OBJECT

private slots:
    void directionIsOneUndoStepAndMirrorsAlignment();
    void startIndentsStandAtTheRight();
    void caretKeys_data();
    void caretKeys();
    void leftArrowWalksEveryPositionLeftwards_data();
    void leftArrowWalksEveryPositionLeftwards();
    void clickFindsTheDrawnPosition();
    void lineCountsIgnoreDirection();
    void controlShiftKeysSetDirection_data();
    void controlShiftKeysSetDirection();
    void selectedBreakMarkFollowsTheText_data();
    void selectedBreakMarkFollowsTheText();
    void printingLaysOutAsOnScreen();
};

// Two paragraphs change together and come back with one undo; a left alignment becomes a
// right one and back, centred stays centred, and the indents stay on the start side.
void TestRichEditDirection::directionIsOneUndoStepAndMirrorsAlignment()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(QStringLiteral("one\ntwo\nthree"));
    editor.SetSel(12, 0);
    editor.Paragraph().SetAlignment(2);
    editor.SetSel(0, 0);
    editor.Paragraph().SetFirstIndent(12);
    editor.SetSel(0, 6);
    QCOMPARE(editor.Paragraph().Direction(), TParaDirection::LeftToRight);

    editor.Paragraph().SetDirection(TParaDirection::RightToLeft);
    QCOMPARE(editor.Paragraph().Direction(), TParaDirection::RightToLeft);
    QCOMPARE(editor.Paragraph().Alignment(), 1);
    QCOMPARE(editor.Paragraph().FirstIndent(), 12);
    editor.SetSel(5, 0);
    QCOMPARE(editor.Paragraph().Direction(), TParaDirection::RightToLeft);
    editor.SetSel(10, 0);
    QCOMPARE(editor.Paragraph().Direction(), TParaDirection::LeftToRight);
    QCOMPARE(editor.Paragraph().Alignment(), 2);

    editor.SetSel(0, 0);
    editor.Paragraph().SetDirection(TParaDirection::RightToLeft); // no change: no undo step
    editor.undo();
    editor.SetSel(5, 0);
    QCOMPARE(editor.Paragraph().Direction(), TParaDirection::LeftToRight);
    editor.SetSel(0, 0);
    QCOMPARE(editor.Paragraph().Direction(), TParaDirection::LeftToRight);
    QCOMPARE(editor.Paragraph().Alignment(), 0);

    editor.SetSel(10, 0);
    editor.Paragraph().SetDirection(TParaDirection::RightToLeft);
    editor.Paragraph().SetDirection(TParaDirection::LeftToRight);
    QCOMPARE(editor.Paragraph().Alignment(), 2);
    QVERIFY(!editor.document()->findBlockByNumber(2).blockFormat().hasProperty(QTextFormat::LayoutDirection));
}

// First-line and left indents measure from the right edge, the right indent from the left.
void TestRichEditDirection::startIndentsStandAtTheRight()
{
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    setText(editor, QString(kArabic + QLatin1Char(' ')).repeated(6), TParaDirection::RightToLeft);
    editor.Paragraph().SetFirstIndent(30); // 40 px
    editor.Paragraph().SetLeftIndent(-15); // following lines 20 px
    editor.Paragraph().SetRightIndent(45); // 60 px
    editor.Paragraph().SetAlignment(1);
    const QTextBlock block = editor.document()->firstBlock();
    const QTextLayout *layout = block.layout();
    QVERIFY(layout->lineCount() >= 2);
    const qreal textRight = editor.document()->documentLayout()->blockBoundingRect(block).width();
    const QTextLine first = layout->lineAt(0);
    const QTextLine second = layout->lineAt(1);
    QCOMPARE(first.x() + first.width(), textRight - 40);
    QCOMPARE(second.x() + second.width(), textRight - 20);
    QCOMPARE(first.x(), 60.0);
    QCOMPARE(second.x(), 60.0);

    // A bullet stands at the start side of the first line: right of its text.
    editor.Paragraph().SetNumbering(1);
    const QTextLine bulleted = editor.document()->firstBlock().layout()->lineAt(0);
    QVERIFY(bulleted.x() + bulleted.width() < textRight - 40);
}

// Keys from a starting position; L and R are the arrow keys, SL and SR with Shift, H Home,
// E End. Left goes towards the left of the screen: forward through Arabic, backward through
// Latin, whatever the paragraph's direction.
void TestRichEditDirection::caretKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("anchor");
    const int ltr = 0;
    const int rtl = 1;
    const int kalvero = int(kArabic.indexOf(QLatin1String("Kalvero")));
    const int end = int(kArabic.size());
    QTest::newRow("rtl: Home then Left Left Left goes into the first word") << kArabic << rtl << 10 << "H L L L" << 3 << 3;
    QTest::newRow("rtl: Right from Home stays at the right edge") << kArabic << rtl << 0 << "H R" << 0 << 0;
    QTest::newRow("rtl: Home is the start of the line") << kArabic << rtl << 10 << "H" << 0 << 0;
    QTest::newRow("rtl: End is the end of the line") << kArabic << rtl << 3 << "E" << end << end;
    QTest::newRow("rtl: Left from End stays at the left edge") << kArabic << rtl << 3 << "E L" << end << end;
    QTest::newRow("rtl: Right from End moves back over the full stop") << kArabic << rtl << 3 << "E R" << end - 1 << end - 1;
    QTest::newRow("rtl: Left inside Latin moves backwards") << kArabic << rtl << kalvero + 3 << "L" << kalvero + 2 << kalvero + 2;
    QTest::newRow("rtl: Right inside Latin moves forwards") << kArabic << rtl << kalvero + 3 << "R" << kalvero + 4 << kalvero + 4;
    QTest::newRow("rtl: Shift+Left from Home selects the first letter") << kArabic << rtl << 0 << "SL" << 1 << 0;
    QTest::newRow("rtl: Shift+Left twice then Shift+Right") << kArabic << rtl << 0 << "SL SL SR" << 1 << 0;
    QTest::newRow("ltr: Home then Right Right Right") << kLatin << ltr << 7 << "H R R R" << 3 << 3;
    QTest::newRow("ltr: Left from Home stays") << kLatin << ltr << 7 << "H L" << 0 << 0;
    QTest::newRow("ltr: Shift+Right selects forwards") << kLatin << ltr << 2 << "SR SR" << 4 << 2;
    QTest::newRow("ltr: Arabic word inside, Right moves backwards in it")
        << QString::fromUtf8("ab مرحبا cd") << ltr << 5 << "R" << 4 << 4;
    QTest::newRow("coptic rtl paragraph: Left moves backwards through the letters")
        << kCoptic << rtl << 3 << "L" << 2 << 2;
}

void TestRichEditDirection::caretKeys()
{
    QFETCH(QString, text);
    QFETCH(int, direction);
    QFETCH(int, start);
    QFETCH(QString, keys);
    QFETCH(int, position);
    QFETCH(int, anchor);
    TTntRichEdit editor;
    prepareEditor(editor, 500, 200);
    setText(editor, text, TParaDirection(direction));
    editor.SetSel(start, 0);
    for (const QString &key : keys.split(QLatin1Char(' '))) {
        if (key == QLatin1String("L"))
            press(editor, Qt::Key_Left);
        else if (key == QLatin1String("R"))
            press(editor, Qt::Key_Right);
        else if (key == QLatin1String("SL"))
            press(editor, Qt::Key_Left, Qt::ShiftModifier);
        else if (key == QLatin1String("SR"))
            press(editor, Qt::Key_Right, Qt::ShiftModifier);
        else if (key == QLatin1String("H"))
            press(editor, Qt::Key_Home);
        else if (key == QLatin1String("E"))
            press(editor, Qt::Key_End);
    }
    QCOMPARE(editor.textCursor().position(), position);
    QCOMPARE(editor.textCursor().anchor(), anchor);
}

void TestRichEditDirection::leftArrowWalksEveryPositionLeftwards_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("direction");
    QTest::newRow("mixed, right to left") << kArabic << 1;
    QTest::newRow("mixed, left to right") << kArabic << 0;
    QTest::newRow("Arabic, right to left") << QString::fromUtf8("قال ١٢٣ مرة.") << 1;
    QTest::newRow("Latin, left to right") << kLatin << 0;
    QTest::newRow("Arabic with digits, left to right") << QString::fromUtf8("قال ١٢٣ مرة 45 x.") << 0;
}

// From the right end of the line, Left reaches every position, never moving the caret to the
// right, and stops at the left end. (Where runs of two directions meet, one position has two
// places on the line; the caret may stop at both.)
void TestRichEditDirection::leftArrowWalksEveryPositionLeftwards()
{
    QFETCH(QString, text);
    QFETCH(int, direction);
    TTntRichEdit editor;
    prepareEditor(editor, 500, 200);
    setText(editor, text, TParaDirection(direction));
    const QTextLine line = editor.document()->firstBlock().layout()->lineAt(0);
    editor.SetSel(line.xToCursor(1e6), 0);
    QSet<int> seen{editor.textCursor().position()};
    int x = caretX(editor);
    for (int i = 0; i < text.size() + 3; ++i) {
        press(editor, Qt::Key_Left);
        seen.insert(editor.textCursor().position());
        QVERIFY2(caretX(editor) <= x, qPrintable(QStringLiteral("moved right at %1").arg(editor.textCursor().position())));
        x = caretX(editor);
    }
    QCOMPARE(seen.size(), text.size() + 1);
    QCOMPARE(x, int(line.naturalTextRect().left() + editor.document()->firstBlock().layout()->position().x()));
}

// A click hits the position drawn under it: the right end of a right-to-left line is its
// start, the left end its end; and the caret drawn at a position stands where a click finds it.
void TestRichEditDirection::clickFindsTheDrawnPosition()
{
    TTntRichEdit editor;
    prepareEditor(editor, 500, 200);
    setText(editor, kArabic, TParaDirection::RightToLeft);
    editor.Paragraph().SetAlignment(1);
    QAbstractTextDocumentLayout *layout = editor.document()->documentLayout();
    const QRectF block = layout->blockBoundingRect(editor.document()->firstBlock());
    QCOMPARE(layout->hitTest(QPointF(block.right() - 1, block.center().y()), Qt::FuzzyHit), 0);
    const QTextLine line = editor.document()->firstBlock().layout()->lineAt(0);
    const qreal left = editor.document()->firstBlock().layout()->position().x() + line.naturalTextRect().left();
    QCOMPARE(layout->hitTest(QPointF(left - 20, block.center().y()), Qt::FuzzyHit), int(kArabic.size()));
    for (int p = 0; p <= kArabic.size(); ++p) {
        editor.SetSel(p, 0);
        const QRect caret = editor.cursorRect();
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, caret.center());
        const int hit = editor.textCursor().position();
        // At a boundary between runs two positions share one place; either is right.
        editor.SetSel(hit, 0);
        QVERIFY2(qAbs(editor.cursorRect().center().x() - caret.center().x()) <= 1,
                 qPrintable(QStringLiteral("position %1 hit as %2").arg(p).arg(hit)));
    }
}

// Display lines, their first positions and the CR LF count do not depend on direction.
void TestRichEditDirection::lineCountsIgnoreDirection()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 200);
    const QString text = QString(kArabic + QLatin1Char(' ')).repeated(5) + QStringLiteral("\nx");
    setText(editor, text, TParaDirection::LeftToRight);
    QList<int> ltr;
    for (int line = 0; line < 8; ++line)
        ltr << editor.LineIndex(line);
    const int ltrLine = editor.LineFromChar(text.size());
    editor.SetSel(0, int(text.size()) + 1);
    editor.Paragraph().SetDirection(TParaDirection::RightToLeft);
    QList<int> rtl;
    for (int line = 0; line < 8; ++line)
        rtl << editor.LineIndex(line);
    QCOMPARE(rtl, ltr);
    QCOMPARE(editor.LineFromChar(text.size()), ltrLine);
    QCOMPARE(editor.Text(), QString(text).replace(QLatin1String("\n"), QLatin1String("\r\n")));
}

void TestRichEditDirection::controlShiftKeysSetDirection_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<int>("direction");
    QTest::newRow("Ctrl, right Shift, release Shift") << "C+ RS+ RS- C-" << 1;
    QTest::newRow("Ctrl, right Shift, release Ctrl first") << "C+ RS+ C- RS-" << 1;
    QTest::newRow("right Shift, then Ctrl") << "RS+ C+ C- RS-" << 1;
    QTest::newRow("Ctrl, left Shift") << "C+ LS+ LS- C-" << 0;
    QTest::newRow("another key in between does nothing") << "C+ RS+ K RS- C-" << 0;
    QTest::newRow("right Shift alone does nothing") << "RS+ RS-" << 0;
}

// Keys as the platform's edit controls have them: Ctrl with the right Shift pressed and
// released alone makes the paragraph right to left; with the left Shift, left to right.
void TestRichEditDirection::controlShiftKeysSetDirection()
{
    QFETCH(QString, sequence);
    QFETCH(int, direction);
    TTntRichEdit editor;
    prepareEditor(editor);
    int refreshes = 0;
    editor.OnSelectionChange = [&refreshes] { ++refreshes; };
    editor.ReplaceSelection(QStringLiteral("text"));
    // Starting right to left when the keys should make it left to right.
    const bool expectChange = !sequence.contains(QLatin1String(" K ")) && sequence.contains(QLatin1String("C+"));
    if (direction == 0 && expectChange)
        editor.Paragraph().SetDirection(TParaDirection::RightToLeft);
    refreshes = 0;
    Qt::KeyboardModifiers held;
    for (const QString &step : sequence.split(QLatin1Char(' '))) {
        const bool down = step.endsWith(QLatin1Char('+'));
        const QEvent::Type type = down ? QEvent::KeyPress : QEvent::KeyRelease;
        if (step.startsWith(QLatin1Char('C'))) {
            controlKey(editor, type, held);
            held.setFlag(Qt::ControlModifier, down);
        } else if (step.startsWith(QLatin1String("RS")) || step.startsWith(QLatin1String("LS"))) {
            shiftKey(editor, type, step.startsWith(QLatin1Char('R')), held);
            held.setFlag(Qt::ShiftModifier, down);
        } else {
            QTest::keyClick(&editor, Qt::Key_Left, held);
        }
    }
    QCOMPARE(int(editor.Paragraph().Direction()), direction);
    if (expectChange)
        QVERIFY(refreshes > 0);
}

void TestRichEditDirection::selectedBreakMarkFollowsTheText_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("direction");
    QTest::newRow("right aligned, left to right") << 1 << 0;
    QTest::newRow("right aligned, right to left") << 1 << 1;
    QTest::newRow("centred") << 2 << 0;
}

// A selection over a whole paragraph marks its break beside the text, never at the far left
// where there is none.
void TestRichEditDirection::selectedBreakMarkFollowsTheText()
{
    QFETCH(int, alignment);
    QFETCH(int, direction);
    TTntRichEdit editor;
    prepareEditor(editor, 400, 120);
    editor.ReplaceSelection(QStringLiteral("short\nnext"));
    editor.SetSel(0, 0);
    editor.Paragraph().SetDirection(TParaDirection(direction));
    editor.Paragraph().SetAlignment(alignment);
    editor.SetSel(0, 9);
    const QImage image = editor.viewport()->grab().toImage();
    const QTextBlock block = editor.document()->firstBlock();
    const QRectF text = block.layout()->lineAt(0).naturalTextRect().translated(block.layout()->position());
    const QColor highlight = editor.palette().color(QPalette::Highlight);
    const int y = int(text.center().y());
    int leftmost = image.width();
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) == highlight) {
            leftmost = x;
            break;
        }
    }
    QVERIFY2(leftmost >= int(text.left()) - 6, qPrintable(QStringLiteral("highlight from %1, text from %2")
                                                              .arg(leftmost)
                                                              .arg(text.left())));
    QVERIFY(leftmost < image.width());
}

// On paper a right-to-left paragraph (right-aligned) stands at the right and reads from the
// right: its first word right of its second.
void TestRichEditDirection::printingLaysOutAsOnScreen()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    TTntRichEdit editor;
    editor.ReplaceSelection(QString::fromUtf8("قال مرحبا\nHello world"));
    editor.SetSel(0, 0);
    editor.Paragraph().SetDirection(TParaDirection::RightToLeft);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    editor.Print(QStringLiteral("rtl"), &printer);
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(20000));
    const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
    // pdftotext gives Arabic glyph by glyph, in their joined forms.
    auto xMin = [&boxes](const QString &word) {
        const QRegularExpression re(QStringLiteral("xMin=\"([0-9.]+)\"[^>]*>") + word + QStringLiteral("<"));
        const QRegularExpressionMatch m = re.match(boxes);
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    const double qaf = xMin(QString(QChar(0xFED7)));  // initial qaf, first letter of the first word
    const double meem = xMin(QString(QChar(0xFEE3))); // initial meem, first letter of the second
    const double hello = xMin(QStringLiteral("Hello"));
    QVERIFY2(qaf > 0 && meem > 0 && hello >= 0, qPrintable(boxes));
    QVERIFY(qaf > meem);
    QVERIFY(meem > 595 / 2);
    QVERIFY(hello < 595 / 2);
}

QTEST_MAIN(TestRichEditDirection)
#include "tst_richedit_direction.moc"

// The editor's document layout: incremental layout after edits, hit testing, caret
// movement by display line, list markers, lazy layout and font fallback for Coptic and Arabic.
#include "RichEditTestSupport.h"

#include "ParagraphLines.h"
#include "TextFlowLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QGlyphRun>
#include <QPainter>
#include <QRandomGenerator>
#include <QRawFont>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace {

QString words(int count, const QString &word = QStringLiteral("word"))
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << word + QString::number(i);
    return list.join(QLatin1Char(' '));
}

struct Snapshot
{
    QList<QRectF> blocks;
    QList<int> lines;
    QSizeF size;
};

Snapshot snapshot(TTntRichEdit &editor)
{
    Snapshot s;
    QAbstractTextDocumentLayout *layout = editor.document()->documentLayout();
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
        s.blocks << layout->blockBoundingRect(block);
        s.lines << block.lineCount();
    }
    s.size = layout->documentSize();
    return s;
}

// Opens RTF bytes as a file, as the window opens one.
void openRtf(TTntRichEdit &editor, const QByteArray &rtf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.rtf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(rtf);
    file.close();
    editor.LoadFromFile(path);
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

// Once the idle layout is done, laying everything out again from nothing gives the same lines
// and places.
void expectSameAsFromScratch(TTntRichEdit &editor)
{
    auto *layout = qobject_cast<TextFlowLayout *>(editor.document()->documentLayout());
    QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 20000);
    const Snapshot incremental = snapshot(editor);
    relayoutFromScratch(editor);
    const Snapshot fresh = snapshot(editor);
    QCOMPARE(incremental.lines, fresh.lines);
    QCOMPARE(incremental.blocks, fresh.blocks);
}

} // namespace

class TestRichEditLayout : public QObject
{
    Q_OBJECT

private slots:
    void incrementalMatchesFullLayout();
    void hitTestFindsEveryPosition();
    void arrowKeysMoveByDisplayLine();
    void bulletTextStartsAtLeftIndent_data();
    void bulletTextStartsAtLeftIndent();
    void alignmentPlacesLines_data();
    void alignmentPlacesLines();
    void largeDocumentIsLaidOutLazily();
    void endOfALargeDocumentIsShownAhead();
    void longParagraphIsLaidOutAsFarAsNeeded();
    void measuredParagraphsMatchTheirLayout_data();
    void measuredParagraphsMatchTheirLayout();
    void overlongWordsBreakAtTheLineEnd_data();
    void overlongWordsBreakAtTheLineEnd();
    void copticAndArabicFallBackToNotoFaces_data();
    void copticAndArabicFallBackToNotoFaces();
    void manyMissingFacesAreDrawnInOneStandIn_data();
    void manyMissingFacesAreDrawnInOneStandIn();
    void picturesTakeTheirPlaceAndLinksOpenWithCtrlClick();
    void pageBreakBeforeStartsAPrintedPage();
    void paragraphLinesFollowEdits_data();
    void paragraphLinesFollowEdits();
    void typingInALongParagraphGoesAroundTheControl_data();
    void typingInALongParagraphGoesAroundTheControl();
};

// After any sequence of edits, the places of all paragraphs are what a layout of the whole
// document from scratch gives.
void TestRichEditLayout::incrementalMatchesFullLayout()
{
    TTntRichEdit editor;
    prepareEditor(editor, 320, 240);
    QStringList paragraphs;
    for (int i = 0; i < 60; ++i)
        paragraphs << words(i % 7 * 5, QStringLiteral("p%1w").arg(i));
    editor.ReplaceSelection(paragraphs.join('\n'));
    editor.LineIndex(1 << 30);

    QRandomGenerator random(3);
    for (int round = 0; round < 80; ++round) {
        const int length = editor.Text().size();
        const int start = random.bounded(length + 1);
        editor.SetSel(start, random.bounded(qMin(30, length - start) + 1));
        switch (random.bounded(6)) {
        case 0:
            editor.ReplaceSelection(words(random.bounded(20)));
            break;
        case 1:
            editor.ReplaceSelection(QStringLiteral("x\ny\n"));
            break;
        case 2:
            editor.ReplaceSelection(QString());
            break;
        case 3:
            editor.SelAttributes().SetSize(8 + random.bounded(30));
            break;
        case 4:
            editor.Paragraph().SetLeftIndent(random.bounded(60));
            break;
        case 5:
            editor.Paragraph().SetNumbering(random.bounded(2));
            break;
        }
        if (round % 10 != 9)
            continue;
        const Snapshot incremental = snapshot(editor);
        relayoutFromScratch(editor);
        const Snapshot full = snapshot(editor);
        QCOMPARE(incremental.lines, full.lines);
        QCOMPARE(incremental.blocks, full.blocks);
        QCOMPARE(incremental.size, full.size);
        // Paragraphs follow each other without gaps.
        for (int i = 1; i < full.blocks.size(); ++i)
            QCOMPARE(full.blocks[i].top(), full.blocks[i - 1].bottom());
    }
}

void TestRichEditLayout::hitTestFindsEveryPosition()
{
    TTntRichEdit editor;
    prepareEditor(editor, 260, 400);
    editor.ReplaceSelection(words(14) + QStringLiteral("\n\nshort\n") + words(6, QStringLiteral("x")));
    QAbstractTextDocumentLayout *layout = editor.document()->documentLayout();
    const int last = editor.document()->characterCount() - 1;
    for (int pos = 0; pos <= last; ++pos) {
        QTextCursor cursor(editor.document());
        cursor.setPosition(pos);
        editor.setTextCursor(cursor);
        const QRect rect = editor.cursorRect();
        const QPointF point(rect.left() + 1, rect.center().y());
        const QPointF inDocument = point + QPointF(editor.horizontalScrollBar()->value(), editor.verticalScrollBar()->value());
        const int hit = layout->hitTest(inDocument, Qt::FuzzyHit);
        // A position that ends a wrapped line shows at the start of the next one.
        QVERIFY2(hit == pos || editor.LineFromChar(hit) == editor.LineFromChar(pos) + 1
                     || (hit == pos + 1 && editor.document()->characterAt(pos).isSpace()),
                 qPrintable(QStringLiteral("pos %1 hit %2").arg(pos).arg(hit)));
    }
    // Above the text and below it.
    QCOMPARE(layout->hitTest(QPointF(10, -5), Qt::FuzzyHit), 0);
    QCOMPARE(layout->hitTest(QPointF(10, layout->documentSize().height() + 50), Qt::FuzzyHit), last);
    // A click puts the caret there.
    editor.SetSel(0, 0);
    QTextCursor target(editor.document());
    target.setPosition(editor.Text().indexOf("short") - 2 + 2);
    const QRect rect = editor.cursorRect(target);
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(rect.left() + 1, rect.center().y()));
    QCOMPARE(editor.CaretPos(), target.position());
}

void TestRichEditLayout::arrowKeysMoveByDisplayLine()
{
    TTntRichEdit editor;
    prepareEditor(editor, 220, 300);
    editor.ReplaceSelection(words(20) + QStringLiteral("\nend"));
    const int lines = editor.LineFromChar(editor.CaretPos());
    QVERIFY(lines >= 3);
    editor.SetSel(0, 0);
    for (int line = 1; line <= lines; ++line) {
        QTest::keyClick(&editor, Qt::Key_Down);
        QCOMPARE(editor.LineFromChar(editor.CaretPos()), line);
    }
    QTest::keyClick(&editor, Qt::Key_Up);
    QCOMPARE(editor.LineFromChar(editor.CaretPos()), lines - 1);
    QTest::keyClick(&editor, Qt::Key_Home);
    QCOMPARE(editor.CaretPos(), editor.LineIndex(lines - 1));
}

void TestRichEditLayout::bulletTextStartsAtLeftIndent_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("left");
    QTest::addColumn<bool>("atLeftIndent");
    QTest::newRow("hanging 10") << 0 << 10 << true;
    QTest::newRow("indented hanging") << 20 << 15 << true;
    QTest::newRow("too narrow for the marker") << 20 << 1 << false;
}

void TestRichEditLayout::bulletTextStartsAtLeftIndent()
{
    QFETCH(int, first);
    QFETCH(int, left);
    QFETCH(bool, atLeftIndent);
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    editor.ReplaceSelection(words(30));
    editor.SetSel(0, 0);
    editor.Paragraph().SetNumbering(1);
    editor.Paragraph().SetFirstIndent(first);
    editor.Paragraph().SetLeftIndent(left);
    const QTextBlock block = editor.document()->firstBlock();
    QVERIFY(block.textList());
    const QTextLayout *layout = block.layout();
    QVERIFY(layout->lineCount() > 1);
    const qreal leftIndentX = (first + left) * 4.0 / 3.0;
    // Following lines always start at the left indent.
    QVERIFY(qAbs(layout->lineAt(1).x() - leftIndentX) < 0.1);
    if (atLeftIndent)
        QVERIFY(qAbs(layout->lineAt(0).x() - leftIndentX) < 0.1);
    else
        QVERIFY(layout->lineAt(0).x() > first * 4.0 / 3.0 + 2);
    // Without the list the first line starts at the first indent.
    editor.Paragraph().SetNumbering(0);
    editor.Paragraph().SetFirstIndent(first);
    QVERIFY(qAbs(block.layout()->lineAt(0).x() - first * 4.0 / 3.0) < 0.1);
}

void TestRichEditLayout::alignmentPlacesLines_data()
{
    QTest::addColumn<int>("alignment");
    QTest::newRow("left") << 0;
    QTest::newRow("right") << 1;
    QTest::newRow("centre") << 2;
}

void TestRichEditLayout::alignmentPlacesLines()
{
    QFETCH(int, alignment);
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    editor.ReplaceSelection(QStringLiteral("short line"));
    editor.Paragraph().SetAlignment(alignment);
    const QRectF rect = editor.document()->documentLayout()->blockBoundingRect(editor.document()->firstBlock());
    const QTextLine line = editor.document()->firstBlock().layout()->lineAt(0);
    const QRectF text = line.naturalTextRect();
    const qreal before = text.left();
    const qreal after = rect.width() - text.right();
    switch (alignment) {
    case 0:
        QCOMPARE(before, 0.0);
        break;
    case 1:
        QVERIFY(qAbs(after) < 1.0);
        break;
    case 2:
        QVERIFY(qAbs(before - after) < 1.0);
        break;
    }
    // Arabic text alone does not turn a paragraph right to left: left stays left.
    editor.SetSel(0, 100);
    editor.ReplaceSelection(QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645"));
    editor.Paragraph().SetAlignment(0);
    QCOMPARE(editor.document()->firstBlock().layout()->lineAt(0).naturalTextRect().left(), 0.0);
}

void TestRichEditLayout::largeDocumentIsLaidOutLazily()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 200);
    QStringList paragraphs;
    for (int i = 0; i < 3000; ++i)
        paragraphs << words(12, QStringLiteral("n%1x").arg(i));
    editor.ReplaceSelection(paragraphs.join('\n'));
    editor.SetSel(0, 0);
    editor.resize(280, 200); // every paragraph needs laying out again
    QTest::qWait(1);
    auto *layout = qobject_cast<TextFlowLayout *>(editor.document()->documentLayout());
    QVERIFY(layout);
    QVERIFY(!layout->isComplete());
    // What is asked for is laid out at once; the rest follows in idle time.
    const int lastPos = editor.document()->characterCount() - 1;
    const int lastLine = editor.LineFromChar(lastPos);
    QVERIFY(layout->isComplete());
    editor.resize(300, 200);
    QTest::qWait(1);
    QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 20000);
    QVERIFY(editor.LineFromChar(lastPos) < lastLine);
    QCOMPARE(layout->documentSize().height(),
             layout->blockBoundingRect(editor.document()->lastBlock()).bottom());
}

// Ctrl+End, a key and a paint in a document not laid out lay out what is shown at the end, not
// everything before it; the layout in order catches up later and agrees with a fresh one.
void TestRichEditLayout::endOfALargeDocumentIsShownAhead()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 200);
    QStringList paragraphs;
    for (int i = 0; i < 3000; ++i)
        paragraphs << words(12, QStringLiteral("n%1x").arg(i));
    editor.ReplaceSelection(paragraphs.join('\n'));
    editor.SetSel(0, 0);
    editor.resize(280, 200); // every paragraph needs laying out again
    QTest::qWait(1);
    auto *layout = qobject_cast<TextFlowLayout *>(editor.document()->documentLayout());
    QVERIFY(!layout->isComplete());
    QTest::keyClick(&editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&editor, QStringLiteral("zz"));
    editor.viewport()->repaint();
    QVERIFY(!layout->isComplete());
    QVERIFY(layout->charactersBefore(editor.document()->findBlockByNumber(editor.document()->blockCount() / 2).position())
            > 0);
    QVERIFY(editor.viewport()->rect().contains(editor.cursorRect()));
    QCOMPARE(layout->hitTest(QPointF(editor.cursorRect().center()) + QPointF(editor.horizontalScrollBar()->value(),
                                                                             editor.verticalScrollBar()->value()),
                             Qt::FuzzyHit),
             editor.textCursor().position());
    expectSameAsFromScratch(editor);
}

// A paragraph of some 60,000 characters gets the lines a view or the caret needs at once and
// the others in idle time; whatever was edited where, the lines it ends with are those of a
// layout from scratch.
void TestRichEditLayout::longParagraphIsLaidOutAsFarAsNeeded()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 200);
    const QStringList kinds{QStringLiteral("word"), QStringLiteral("\u0643\u062A\u0627\u0628"),
                            QStringLiteral("\u2C80\u2C81\u2C82")};
    QRandomGenerator random(11);
    QStringList text;
    for (int i = 0; i < 9000; ++i)
        text << kinds.at(random.bounded(3)) + QString::number(i % 10);
    editor.ReplaceSelection(text.join(' ') + QStringLiteral("\nend"));
    auto *layout = qobject_cast<TextFlowLayout *>(editor.document()->documentLayout());
    const QTextBlock paragraph = editor.document()->firstBlock();
    const int middle = paragraph.length() / 2;
    const auto openAgain = [&] {
        editor.SetSel(0, 0);
        editor.resize(editor.width() == 300 ? 280 : 300, 200); // every line needs laying out again
        editor.viewport()->repaint();
    };
    openAgain();
    QVERIFY(!layout->isComplete());
    const int linesShown = paragraph.lineCount();
    QVERIFY(linesShown > 1);
    QVERIFY(layout->charactersBefore(middle) > 0);
    const int middleLine = editor.LineFromChar(middle);
    QCOMPARE(layout->charactersBefore(middle), 0);
    QVERIFY(!layout->isComplete());
    // The caret put near the paragraph's end is laid out and shown.
    editor.SetSel(paragraph.length() - 3, 0);
    QVERIFY(editor.viewport()->rect().contains(editor.cursorRect()));
    QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 20000);
    QVERIFY(paragraph.lineCount() > 10 * linesShown);
    QCOMPARE(editor.LineFromChar(middle), middleLine);

    for (int round = 0; round < 12; ++round) {
        openAgain();
        editor.SetSel(random.bounded(paragraph.length() - 40), random.bounded(30));
        switch (round % 4) {
        case 0:
            editor.ReplaceSelection(kinds.at(random.bounded(3)) + QStringLiteral(" xyz"));
            break;
        case 1:
            editor.ReplaceSelection(QString());
            break;
        case 2:
            editor.SelAttributes().SetSize(8 + random.bounded(30));
            break;
        case 3:
            editor.ReplaceSelection(QStringLiteral("\u2C80 \u0628"));
            break;
        }
        if (round % 4 != 3)
            continue;
        expectSameAsFromScratch(editor);
    }
}

void TestRichEditLayout::measuredParagraphsMatchTheirLayout_data()
{
    QTest::addColumn<int>("missingFaces");
    QTest::newRow("faces on the system") << 0;
    QTest::newRow("faces drawn in a stand-in") << 80;
}

// Paragraphs laid out in idle time far from the view are only measured (their lines are made
// when needed): the measure must be exactly the height and the number of lines their real
// layout gives, whatever they hold.
void TestRichEditLayout::measuredParagraphsMatchTheirLayout()
{
    QFETCH(int, missingFaces);
    const QList<QByteArray> pieces{
        "plain words and more words ",
        "{\\b bold} {\\i italic} {\\fs40 large} {\\fs12 small} ",
        "x{\\super 2} H{\\sub 2}O ",
        "\\u11392?\\u11393?\\u11402? \\u11409?\\u11408? ",
        "{\\rtlch \\u1575?\\u1604?\\u1587?\\u1604?\\u1575?\\u1605?} 123 ",
        "a\\tb\\tc ",
        "{\\f1 other face} ",
    };
    const QList<QByteArray> paragraphStarts{
        "\\pard ", "\\pard\\rtlpar\\qr ", "\\pard\\li600\\fi-300 ", "\\pard\\sb120\\sa240 ",
        "\\pard\\sl480\\slmult1 ", "\\pard\\qc ", "\\pard\\tx1440\\tx2880 ",
    };
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Noto Sans;}{\\f1 Noto Serif;}";
    for (int i = 0; i < missingFaces; ++i)
        rtf += "{\\f" + QByteArray::number(i + 2) + " Missing Face " + QByteArray::number(i) + ";}";
    rtf += "}";
    QRandomGenerator random(17);
    for (int p = 0; p < 240; ++p) {
        rtf += paragraphStarts.at(random.bounded(paragraphStarts.size()));
        if (missingFaces > 0)
            rtf += "\\f" + QByteArray::number(2 + random.bounded(missingFaces)) + " ";
        const int count = random.bounded(12); // some empty
        for (int i = 0; i < count; ++i)
            rtf += pieces.at(random.bounded(pieces.size()));
        rtf += "\\par\n";
    }
    rtf += "}";
    TTntRichEdit editor;
    prepareEditor(editor, 300, 120);
    openRtf(editor, rtf);
    auto *layout = qobject_cast<TextFlowLayout *>(editor.document()->documentLayout());
    const QTextDocument *doc = editor.document();
    // Once as opened, once more at another width (every paragraph held lines by then: those
    // measured again must not keep the old ones).
    for (const int width : {300, 260}) {
        editor.resize(width, 120);
        QTest::qWait(1);
        QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 20000);
        QList<int> measuredLines;
        int measured = 0;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            measuredLines << block.lineCount();
            measured += block.layout()->lineCount() == 0 ? 1 : 0;
        }
        QVERIFY2(measured > doc->blockCount() / 2, qPrintable(QString::number(measured)));
        const QSizeF measuredSize = layout->documentSize();
        int n = 0;
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next(), ++n) {
            layout->blockBoundingRect(block);
            QCOMPARE(block.layout()->lineCount(), qMax(1, measuredLines[n]));
            QCOMPARE(block.lineCount(), measuredLines[n]);
        }
        QCOMPARE(layout->documentSize(), measuredSize);
    }
}

void TestRichEditLayout::overlongWordsBreakAtTheLineEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rightToLeft");
    const QString hash = QStringLiteral("0123456789abcdef").repeated(40);
    const QString arabic = QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645").repeated(80);
    const QString coptic = QStringLiteral("\u2C80\u2C81\u2C8A").repeated(150);
    QTest::newRow("a paragraph that is one word") << hash << false;
    QTest::newRow("a long word between short ones") << words(9) + ' ' + hash + ' ' + words(30) << false;
    QTest::newRow("two long words side by side") << hash + ' ' + hash.left(300) + QStringLiteral(" end") << false;
    QTest::newRow("a long word whose last piece fits before more words") << hash.left(197) + ' ' + words(20) << false;
    QTest::newRow("a long Arabic word in a right-to-left paragraph") << words(3) + ' ' + arabic + ' ' + words(5) << true;
    QTest::newRow("a long Coptic word") << coptic + ' ' + words(6) << false;
}

// A word longer than a line is cut where the line ends, with the lines Qt's own "word
// boundary or anywhere" wrapping gives, and no line is wider than the text area.
void TestRichEditLayout::overlongWordsBreakAtTheLineEnd()
{
    QFETCH(QString, text);
    QFETCH(bool, rightToLeft);
    TTntRichEdit editor;
    prepareEditor(editor, 300, 200);
    editor.ReplaceSelection(text);
    if (rightToLeft)
        editor.Paragraph().SetDirection(TParaDirection::RightToLeft);
    editor.LineIndex(1 << 30);
    const QTextBlock block = editor.document()->firstBlock();
    QTextLayout *layout = block.layout();
    QList<int> starts;
    qreal width = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        starts << line.textStart();
        width = line.width();
        QVERIFY2(line.naturalTextWidth() <= line.width(), qPrintable(QString::number(i)));
    }
    QVERIFY(starts.size() > 2);

    // The same paragraph laid out again by Qt's own wrapping, line by line at the same width.
    QCOMPARE(layout->textOption().wrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    QList<int> expected;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        expected << line.textStart();
    }
    layout->endLayout();
    QCOMPARE(starts, expected);
}

void TestRichEditLayout::copticAndArabicFallBackToNotoFaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("face");
    QTest::newRow("coptic") << QStringLiteral("\u2C81\u2C83\u2C85") << QStringLiteral("Noto Sans Coptic");
    QTest::newRow("arabic") << QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645") << QStringLiteral("Noto Naskh Arabic");
}

// A face without these letters (or not installed at all) still shows them, from the Noto
// faces, with real glyphs.
void TestRichEditLayout::copticAndArabicFallBackToNotoFaces()
{
    QFETCH(QString, text);
    QFETCH(QString, face);
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    editor.DefAttributes().SetName(QStringLiteral("ArialCoptic"));
    editor.ReplaceSelection(text);
    const QTextLayout *layout = editor.document()->firstBlock().layout();
    const QList<QGlyphRun> runs = layout->glyphRuns(0, int(text.size()));
    QVERIFY(!runs.isEmpty());
    for (const QGlyphRun &run : runs) {
        QCOMPARE(run.rawFont().familyName().toLower(), face.toLower());
        for (quint32 glyph : run.glyphIndexes())
            QVERIFY(glyph != 0);
    }
}

void TestRichEditLayout::manyMissingFacesAreDrawnInOneStandIn_data()
{
    QTest::addColumn<int>("faces");
    QTest::addColumn<bool>("standIn");
    QTest::newRow("a few: each drawn as named") << 3 << false;
    QTest::newRow("hundreds: one stand-in") << 300 << true;
}

// A file naming hundreds of faces that the system lacks is drawn in one stand-in face (the
// fallbacks of each would take the font system a millisecond or more); the document keeps
// every face's name for the font box and the saved file.
void TestRichEditLayout::manyMissingFacesAreDrawnInOneStandIn()
{
    QFETCH(int, faces);
    QFETCH(bool, standIn);
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl";
    for (int i = 0; i < faces; ++i)
        rtf += "{\\f" + QByteArray::number(i) + " Missing Face " + QByteArray::number(i) + ";}";
    rtf += "}";
    for (int i = 0; i < faces; ++i)
        rtf += "\\f" + QByteArray::number(i) + " w" + QByteArray::number(i) + " ";
    rtf += "\\par}";
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    openRtf(editor, rtf);
    const QTextBlock block = editor.document()->firstBlock();
    editor.document()->documentLayout()->blockBoundingRect(block);
    const QString standInFace = QFontInfo(editor.font()).family().toLower();
    const QList<QGlyphRun> runs = block.layout()->glyphRuns(0, 4);
    QVERIFY(!runs.isEmpty());
    QCOMPARE(runs.constFirst().rawFont().familyName().toLower() == standInFace, standIn);
    QCOMPARE(block.layout()->formats().isEmpty(), !standIn);

    editor.SetSel(4, 1); // inside "w1"
    QCOMPARE(editor.SelAttributes().Name(), QStringLiteral("Missing Face 1"));
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved.rtf"));
    editor.SaveToFile(saved);
    QFile back(saved);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll().contains("Missing Face " + QByteArray::number(faces - 1) + ";"));
}

// A PNG picture shows at its goal size (600 x 300 twips: 40 x 20 pixels) in its own
// colours; a metafile is a box of its size (1000 x 500 hundredths of a millimetre); a link
// opens with Ctrl+click and a plain click only places the caret.
void TestRichEditLayout::picturesTakeTheirPlaceAndLinksOpenWithCtrlClick()
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(QColor(0, 200, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 a{\\pict\\pngblip\\picw4\\pich2"
                           "\\picwgoal600\\pichgoal300 " + png.toHex() + "}b{\\pict\\wmetafile8\\picw1000\\pich500 0100}c "
                           "{\\field{\\*\\fldinst HYPERLINK \"http://example.com/\"}{\\fldrslt link}}\\par}";
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    openRtf(editor, rtf);
    QCOMPARE(editor.Text(), QStringLiteral("a\uFFFCb\uFFFCc link"));
    const QTextBlock block = editor.document()->firstBlock();
    editor.document()->documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineAt(0);
    QCOMPARE(qRound(line.cursorToX(2) - line.cursorToX(1)), 40);
    QCOMPARE(qRound(line.cursorToX(4) - line.cursorToX(3)), qRound(1000 * 96 / 2540.0));
    QVERIFY(line.height() >= 20);

    const QImage shown = editor.viewport()->grab().toImage();
    const QPointF origin = block.layout()->position() + QPointF(0, editor.document()->documentLayout()->blockBoundingRect(block).top());
    const QPoint inside = (origin + QPointF(line.cursorToX(1) + 20, line.y() + line.ascent() - 10)).toPoint();
    QCOMPARE(shown.pixelColor(inside - QPoint(editor.horizontalScrollBar()->value(), editor.verticalScrollBar()->value())),
             QColor(0, 200, 0));

    QStringList opened;
    editor.OnLinkClick = [&](const QString &target) { opened << target; };
    const QPoint onLink = editor.cursorRect(QTextCursor(editor.document())).center()
                        + QPoint(qRound(line.cursorToX(8) - line.cursorToX(0)), 0);
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, onLink);
    QVERIFY(opened.isEmpty());
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ControlModifier, onLink);
    QCOMPARE(opened, QStringList{QStringLiteral("http://example.com/")});
}

void TestRichEditLayout::pageBreakBeforeStartsAPrintedPage()
{
    TTntRichEdit editor;
    prepareEditor(editor, 400, 200);
    editor.ReplaceSelection(QStringLiteral("one\ntwo\nthree"));
    QTextCursor second(editor.document()->findBlockByNumber(1));
    QTextBlockFormat breaking;
    breaking.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    second.mergeBlockFormat(breaking);
    auto *layout = static_cast<TextFlowLayout *>(editor.document()->documentLayout());
    const QList<qreal> tops = layout->pageTops(10000);
    QCOMPARE(tops.size(), 2);
    QCOMPARE(tops[1], layout->blockBoundingRect(second.block()).top());
}

void TestRichEditLayout::paragraphLinesFollowEdits_data()
{
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("extra"); // pieces besides words
    QTest::addColumn<bool>("cuts");     // false: every edit lays the paragraph out whole
    QTest::newRow("left to right") << false << 420 << QString() << true;
    QTest::newRow("right to left, narrow") << true << 180 << QString() << true;
    QTest::newRow("digits and words longer than a line") << false << 300
                                           << QStringLiteral("12,5 1990 ") + QString(90, QLatin1Char('w')) << true;
    QTest::newRow("brackets with Arabic") << true << 300 << QStringLiteral("(word) [\u0643\u062A\u0627\u0628] ") << false;
    QTest::newRow("an isolate") << false << 300 << QStringLiteral("\u2067\u0643\u062A\u0627\u0628 1\u2069 ") << false;
    QTest::newRow("tabs") << false << 300 << QStringLiteral("\t1990 ") << false;
}

// The lines of a long paragraph kept up to date edit by edit are exactly those of one layout of
// the whole paragraph, whatever the edit (typing, deleting, pasting, a change of format) and
// wherever it falls, in Latin, Coptic and Arabic; and an edit lays out only what is near it.
void TestRichEditLayout::paragraphLinesFollowEdits()
{
    QFETCH(bool, rightToLeft);
    QFETCH(int, width);
    QFETCH(QString, extra);
    QFETCH(bool, cuts);
    QStringList pieces{QStringLiteral("the "), QStringLiteral("letter "), QStringLiteral("keyboard, "),
                       QStringLiteral("\u2C80\u2C81\u2C8A "), QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645 "),
                       QStringLiteral("\u0643\u062A\u0627\u0628. "), QStringLiteral("a ")};
    pieces << extra.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &piece : pieces)
        if (!piece.endsWith(QLatin1Char(' ')))
            piece += QLatin1Char(' ');
    QRandomGenerator random(23);
    auto someText = [&](int size) {
        QString text;
        while (text.size() < size)
            text += pieces.at(random.bounded(pieces.size()));
        return text;
    };
    QList<QTextCharFormat> looks(4);
    looks[1].setFontWeight(QFont::Bold);
    looks[2].setFontItalic(true);
    looks[3].setFontPointSize(17);
    // The look of each character, and the runs of formats it makes, in order, as a block gives them.
    std::vector<int> look;
    auto formatsOf = [&] {
        QList<QTextLayout::FormatRange> formats;
        for (int at = 0; at < int(look.size());) {
            int end = at + 1;
            while (end < int(look.size()) && look[end] == look[at])
                ++end;
            formats.append(QTextLayout::FormatRange{at, end - at, looks.at(look[at])});
            at = end;
        }
        return formats;
    };
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    option.setTabStopDistance(48);
    const QFont font(QStringLiteral("Noto Sans"), 11);
    const qreal firstLine = width - 30;
    ParagraphLines lines(font, option, firstLine, width);
    QString text = someText(6000);
    while (look.size() < size_t(text.size()))
        look.insert(look.end(), 1 + random.bounded(400), random.bounded(looks.size()));
    look.resize(text.size());
    lines.reset(text, formatsOf());
    qint64 laidOut = 0;
    const int edits = 120;
    for (int e = 0; e < edits; ++e) {
        const int from = random.bounded(int(text.size()) + 1);
        int removed = 0;
        QString inserted;
        switch (random.bounded(5)) {
        case 0: // a key
            inserted = pieces.at(random.bounded(pieces.size())).left(1);
            break;
        case 1: // Backspace
            removed = from > 0 ? 1 : 0;
            break;
        case 2: // a selection deleted
            removed = qMin(int(text.size()) - from, 1 + int(random.bounded(300)));
            break;
        case 3: // a paste
            inserted = someText(1 + random.bounded(1500));
            break;
        default: // a change of format only
            removed = qMin(int(text.size()) - from, 1 + int(random.bounded(200)));
            inserted = text.mid(from, removed);
            break;
        }
        const int start = removed == 1 && inserted.isEmpty() && from > 0 ? from - 1 : from;
        text.replace(start, removed, inserted);
        look.erase(look.begin() + start, look.begin() + start + removed);
        look.insert(look.begin() + start, inserted.size(), random.bounded(looks.size()));
        const QList<QTextLayout::FormatRange> formats = formatsOf();
        laidOut += lines.update(text, formats, start, removed, int(inserted.size()));
        const std::vector<ParagraphLines::Line> whole =
            ParagraphLines::layOutWhole(text, formats, font, option, firstLine, width);
        if (lines.lines() != whole) {
            size_t at = 0;
            while (at < whole.size() && at < lines.lines().size() && lines.lines()[at] == whole[at])
                ++at;
            QFAIL(qPrintable(QStringLiteral("edit %1 at %2 (-%3 +%4): line %5 of %6 differs").arg(e).arg(start)
                                 .arg(removed).arg(inserted.size()).arg(at).arg(whole.size())));
        }
    }
    // Each line, drawn from its layout in part, shows the glyphs a layout of the whole paragraph shows, in the same places (the
    // order of a bracket, for one, can come from far before the line).
    auto glyphsOf = [](const QTextLine &line) {
        QList<QPair<qreal, quint32>> glyphs;
        for (const QGlyphRun &run : line.glyphRuns()) {
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> places = run.positions();
            for (qsizetype k = 0; k < indexes.size(); ++k)
                glyphs.append({places[k].x(), indexes[k]});
        }
        std::sort(glyphs.begin(), glyphs.end());
        return glyphs;
    };
    const std::unique_ptr<QTextLayout> reference = ParagraphLines::layOut(
        text, formatsOf(), font, option, firstLine, width, 0, int(text.size()), true);
    for (int i = 0; i < int(lines.lines().size()); i += 3) {
        int first = 0, next = 0;
        const std::unique_ptr<QTextLayout> part = lines.layoutFor(i, i, &first, &next);
        QVERIFY(first <= i && i < next);
        const QTextLine drawn = part->lineAt(i - first), whole = reference->lineAt(i);
        QCOMPARE(drawn.textStart() + lines.lines()[size_t(first)].start, whole.textStart());
        QCOMPARE(glyphsOf(drawn), glyphsOf(whole));
    }
    // What an edit lays out again stays near it where the paragraph can be cut.
    if (cuts)
        QVERIFY2(laidOut < qint64(edits) * 3000, qPrintable(QString::number(laidOut)));
    else
        QVERIFY(laidOut >= qint64(edits) * 6000);
}

void TestRichEditLayout::typingInALongParagraphGoesAroundTheControl_data()
{
    QTest::addColumn<QByteArray>("paragraph");
    QTest::newRow("left to right") << QByteArray("\\pard ");
    QTest::newRow("right to left, indented") << QByteArray("\\pard\\rtlpar\\qr\\li300\\fi400 ");
}

// Keys typed into a long paragraph are applied without the control; the paragraph is drawn,
// measured, numbered and undone as when the control types, and a click hands it back.
void TestRichEditLayout::typingInALongParagraphGoesAroundTheControl()
{
    QFETCH(QByteArray, paragraph);
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Noto Sans;}}\\pard Before.\\par " + paragraph;
    for (int i = 0; i < 500; ++i)
        rtf += i % 3 ? "letter keyboard " : "\\u1603?\\u1578?\\u1575?\\u1576? {\\b bold} ";
    rtf += "\\par\\pard After.\\par}";
    TTntRichEdit editor;
    prepareEditor(editor, 320, 200);
    editor.setCursorWidth(0); // the two ways of drawing the caret are compared below without it
    openRtf(editor, rtf);
    auto *layout = qobject_cast<TextFlowLayout *>(editor.document()->documentLayout());
    QTRY_VERIFY_WITH_TIMEOUT(layout->isComplete(), 20000);
    const QString original = editor.document()->toPlainText();
    const int at = 3001;
    editor.setFocus();
    QTextCursor caretAt = editor.textCursor();
    caretAt.setPosition(at);
    editor.setTextCursor(caretAt);
    QTest::keyClicks(&editor, QStringLiteral("abc "));
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QVERIFY(layout->isFast());
    QCOMPARE(editor.document()->toPlainText(), QString(original).insert(at, QStringLiteral("ab")));

    // What the paragraph's lines gave, against the control's own way once it has them back.
    QList<int> lines;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        lines << block.lineCount();
    const QSizeF size = layout->documentSize();
    const int line = editor.LineFromChar(at + 2), lineStart = editor.LineIndex(line);
    const QRectF caret = layout->fastCaretRect(at + 2);
    // The text drawn both ways is the same, pixel for pixel (around the caret, which the
    // control draws as it blinks, too).
    const QRect around = caret.translated(-editor.horizontalScrollBar()->value(), -editor.verticalScrollBar()->value())
                             .toAlignedRect()
                             .adjusted(-12, -3, 12, 3);
    auto drawn = [&] {
        QImage image = editor.viewport()->grab().toImage();
        QPainter(&image).fillRect(around, Qt::magenta);
        return image;
    };
    const QImage fast = drawn();
    QVERIFY(layout->isFast());
    layout->endFast();
    QCOMPARE(drawn(), fast);
    QCOMPARE(editor.LineFromChar(at + 2), line);
    QCOMPARE(editor.LineIndex(line), lineStart);
    const QTextBlock typedInto = editor.document()->findBlock(at + 2);
    const QRectF own = layout->blockBoundingRect(typedInto);
    const QTextLine ownLine = typedInto.layout()->lineForTextPosition(at + 2 - typedInto.position());
    QCOMPARE(caret.top(), own.top() + ownLine.y());
    relayoutFromScratch(editor);
    QCOMPARE(layout->documentSize(), size);
    QList<int> fresh;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        fresh << block.lineCount();
    QCOMPARE(fresh, lines);

    // The keys are two undo steps, as the control's typing makes them: the Backspaces, then the text.
    editor.document()->undo();
    QCOMPARE(editor.document()->toPlainText(), QString(original).insert(at, QStringLiteral("abc ")));
    editor.document()->undo();
    QCOMPARE(editor.document()->toPlainText(), original);

    // A click takes the paragraph back to the control; so does a change elsewhere (here one
    // that adds paragraphs before it).
    QTest::keyClicks(&editor, QStringLiteral("x"));
    QVERIFY(layout->isFast());
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, QPoint(40, 20));
    QVERIFY(!layout->isFast());
    QTest::keyClicks(&editor, QStringLiteral("y"));
    QVERIFY(layout->isFast());
    QTextCursor(editor.document()).insertText(QStringLiteral("A new first paragraph\nand a second one\n"));
    QVERIFY(!layout->isFast());
    const int scrolled = editor.verticalScrollBar()->value();
    const QImage moved = editor.viewport()->grab().toImage();
    expectSameAsFromScratch(editor);
    editor.verticalScrollBar()->setValue(scrolled);
    QCOMPARE(editor.viewport()->grab().toImage(), moved);
}

QTEST_MAIN(TestRichEditLayout)
#include "tst_richedit_layout.moc"

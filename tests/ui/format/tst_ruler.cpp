// Paragraph formatting and the ruler in the main window: marker placement, drag and drop with
// the pixel/point arithmetic, alignment and bullets, the tick caption and the side margins.
#include <QButtonGroup>
#include <QFrame>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

#include "FormatTestSupport.h"
#include "RulerMath.h"
#include "TRulerMarker.h"
#include "TRulerPanel.h"

namespace {
// Presses a mouse button on a marker at x, moves by the given steps and releases there.
void dragMarker(TRulerMarker *marker, Qt::MouseButton button, int x, const QList<int> &moves = {})
{
    QTest::mousePress(marker, button, {}, QPoint(x, 3));
    int at = x;
    for (int dx : moves) {
        // Each move is relative to where the marker stands now, as the pointer stays put.
        at = marker->width() / 2 + dx;
        QMouseEvent move(QEvent::MouseMove, QPointF(at, 3), marker->mapToGlobal(QPointF(at, 3)), Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(marker, &move);
    }
    QTest::mouseRelease(marker, button, {}, QPoint(marker->width() / 2, 3));
}

// Gives the ruler the client width asked for by sizing the window.
bool setRulerWidth(FormFixture &f, int width)
{
    f->resize(f->width() + width - f->Ruler->width(), f->height());
    QCoreApplication::processEvents();
    return f->Ruler->width() == width;
}
} // namespace

class RulerTests : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void rulerParts();
    void markersFollowTheParagraph();
    void pressAtLeftEdgeOfFirstIndent();
    void rightMarkerOnA739PixelRuler();
    void pressAndReleaseInPlaceChangesNothing_data();
    void pressAndReleaseInPlaceChangesNothing();
    void markersFollowParagraphCommandsAtOnce();
    void rightToLeftRulerIsMirrored();
    void leftMarkerDropChangesOnlyTheLeftIndent();
    void firstMarkerDropKeepsFollowingLines();
    void anyButtonDrags();
    void moveWithoutPressDoesNothing();
    void narrowingTheWindow();
    void alignmentButtons_data();
    void alignmentButtons();
    void justifiedLeavesButtonsAlone();
    void bullets();
    void bulletsKeepLargerIndent();
    void paragraphHandlersDoNothingWhileRefreshing();
    void editorKeepsSixPixelMargins();
};

void RulerTests::initTestCase()
{
    // The arithmetic assumes nothing scales the ruler's pixels.
    QCOMPARE(qApp->devicePixelRatio(), 1.0);
}

void RulerTests::rulerParts()
{
    FormFixture f;
    QVERIFY(f.show());
    QCOMPARE(f->FirstInd->size(), QSize(10, 9));
    QCOMPARE(f->LeftInd->size(), QSize(10, 11));
    QCOMPARE(f->RightInd->size(), QSize(9, 12));
    QCOMPARE(f->Ruler->height(), 26);
    QCOMPARE(f->FirstInd->y(), 2);
    QCOMPARE(f->LeftInd->y(), 12);
    QCOMPARE(f->RightInd->y(), 14);
    const QString caption = static_cast<TRulerPanel *>(f->Ruler)->caption();
    QCOMPARE(caption.size(), 200);
    QCOMPARE(caption, QStringLiteral("\t|").repeated(100));
    QCOMPARE(f->RulerLine->x(), 4);
    QCOMPARE(f->RulerLine->width(), f->Ruler->width() - 8);
    // Stacking order, back to front.
    const QObjectList children = f->Ruler->children();
    QVERIFY(children.indexOf(f->FirstInd) < children.indexOf(f->LeftInd));
    QVERIFY(children.indexOf(f->LeftInd) < children.indexOf(f->RulerLine));
    QVERIFY(children.indexOf(f->RulerLine) < children.indexOf(f->RightInd));
    QVERIFY(children.indexOf(f->RightInd) < children.indexOf(f->Bevel1));
}

void RulerTests::markersFollowTheParagraph()
{
    FormFixture f;
    QVERIFY(f.show());
    QVERIFY(setRulerWidth(f, 739));
    f->Editor->ReplaceSelection("one\r\ntwo");
    f->Editor->SetSelStart(6);
    f->Editor->Paragraph().SetFirstIndent(18);
    f->Editor->Paragraph().SetLeftIndent(-9);
    f->Editor->Paragraph().SetRightIndent(36);
    f->Editor->SetSelStart(7);
    QCOMPARE(f->FirstInd->x(), 26);
    QCOMPARE(f->LeftInd->x(), 14);
    QCOMPARE(f->RightInd->x(), 733 - 56);
    f->Editor->SetSelStart(1);
    QCOMPARE(f->FirstInd->x(), 2);
    QCOMPARE(f->LeftInd->x(), 2);
    QCOMPARE(f->RightInd->x(), 725);
}

void RulerTests::pressAtLeftEdgeOfFirstIndent()
{
    FormFixture f;
    QVERIFY(f.show());
    f->Editor->ReplaceSelection("paragraph");
    f->Editor->SetSelStart(2);
    QCOMPARE(f->FirstInd->x(), 2);
    QTest::mousePress(f->FirstInd, Qt::LeftButton, {}, QPoint(0, 3));
    QCOMPARE(f->FirstInd->x(), -3);
    QCOMPARE(f->MarkerGrabOffset, 5);
    QVERIFY(f->MarkerDragActive);
    QTest::mouseRelease(f->FirstInd, Qt::LeftButton, {}, QPoint(5, 3));
    QVERIFY(!f->MarkerDragActive);
    QCOMPARE(f->Editor->Paragraph().FirstIndent(), -3);
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), 3);
    // The closing refresh places the marker from the stored indent.
    QCOMPARE(f->FirstInd->x(), -2);
    QCOMPARE(f->LeftInd->x(), 2);
}

void RulerTests::rightMarkerOnA739PixelRuler()
{
    FormFixture f;
    QVERIFY(f.show());
    QVERIFY(setRulerWidth(f, 739));
    f->Editor->ReplaceSelection("paragraph");
    QCOMPARE(f->RightInd->x(), 725);
    dragMarker(f->RightInd, Qt::LeftButton, 4);
    QCOMPARE(f->MarkerGrabOffset, 4);
    QCOMPARE(f->Editor->Paragraph().RightIndent(), 0);
    QCOMPARE(f->RightInd->x(), 725);
}

void RulerTests::pressAndReleaseInPlaceChangesNothing_data()
{
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("rightToLeft");
    // Indents in pixels as a file may bring them: \li150 is 10 pixels, 7.5 points.
    QTest::addColumn<qreal>("leftMargin");
    QTest::addColumn<qreal>("textIndent");
    QTest::addColumn<qreal>("rightMargin");
    for (const char *marker : {"FirstInd", "LeftInd", "RightInd"}) {
        for (bool rtl : {false, true}) {
            const char *side = rtl ? "right to left" : "left to right";
            QTest::addRow("%s, %s, first -1 left 2", marker, side) << marker << rtl << 4.0 / 3 << -8.0 / 3 << 4.0;
            QTest::addRow("%s, %s, fractional from a file", marker, side) << marker << rtl << 10.0 << 0.5 << 7.0;
            QTest::addRow("%s, %s, right indents 1 and 5", marker, side) << marker << rtl << 0.0 << 0.0 << 20.0 / 3;
        }
    }
}

// A marker pressed at its middle and let go without moving writes nothing: the paragraph
// keeps its indents exactly, negative and fractional ones included; fractional indents read
// truncated toward zero.
void RulerTests::pressAndReleaseInPlaceChangesNothing()
{
    QFETCH(QString, marker);
    QFETCH(bool, rightToLeft);
    QFETCH(qreal, leftMargin);
    QFETCH(qreal, textIndent);
    QFETCH(qreal, rightMargin);
    FormFixture f;
    QVERIFY(f.show());
    f->Editor->ReplaceSelection("paragraph");
    QTextBlockFormat format;
    format.setLeftMargin(leftMargin);
    format.setTextIndent(textIndent);
    format.setRightMargin(rightMargin);
    if (rightToLeft)
        format.setLayoutDirection(Qt::RightToLeft);
    QTextCursor(f->Editor->document()).setBlockFormat(format);
    f->SelectionChange();
    const TParaAttributes &paragraph = f->Editor->Paragraph();
    const QList<int> before{paragraph.FirstIndent(), paragraph.LeftIndent(), paragraph.RightIndent()};
    auto *item = f->Ruler->findChild<TRulerMarker *>(marker);
    const int x = item->x();
    dragMarker(item, Qt::LeftButton, item->width() / 2);
    const QTextBlockFormat after = f->Editor->document()->firstBlock().blockFormat();
    QCOMPARE(after.leftMargin(), leftMargin);
    QCOMPARE(after.textIndent(), textIndent);
    QCOMPARE(after.rightMargin(), rightMargin);
    QCOMPARE(item->x(), x);
    QCOMPARE((QList<int>{paragraph.FirstIndent(), paragraph.LeftIndent(), paragraph.RightIndent()}), before);
    if (leftMargin == 10.0)
        QCOMPARE(before, (QList<int>{7, 0, 5})); // 7.5, 0.375 and 5.25 points, truncated
}

// Bullets and alignment move the markers at once, without a caret move.
void RulerTests::markersFollowParagraphCommandsAtOnce()
{
    FormFixture f;
    QVERIFY(f.show());
    f->Editor->ReplaceSelection("paragraph");
    QCOMPARE(f->LeftInd->x(), 2);
    f->BulletsButton->click();
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), 10);
    QCOMPARE(f->LeftInd->x(), RulerMath::LeftIndLeft(0, 10));
    f->BulletsButton->click();
    QCOMPARE(f->LeftInd->x(), 2);
    f->acRightToLeft->trigger();
    QCOMPARE(f->FirstInd->x(), RulerMath::MirroredLeft(f->Ruler->width(), 2, f->FirstInd->width()));
    QVERIFY(f->RightAlign->isChecked());
}

// A right-to-left paragraph's markers stand mirrored, and a drag towards the middle of the
// ruler makes the indent larger from the right edge.
void RulerTests::rightToLeftRulerIsMirrored()
{
    FormFixture f;
    QVERIFY(f.show());
    QVERIFY(setRulerWidth(f, 739));
    f->Editor->ReplaceSelection("paragraph");
    f->Editor->Paragraph().SetDirection(TParaDirection::RightToLeft);
    f->Editor->Paragraph().SetFirstIndent(18);
    f->Editor->Paragraph().SetLeftIndent(-9);
    f->Editor->Paragraph().SetRightIndent(36);
    f->SelectionChange();
    QCOMPARE(f->FirstInd->x(), 739 - 26 - 10);
    QCOMPARE(f->LeftInd->x(), 739 - 14 - 10);
    QCOMPARE(f->RightInd->x(), 739 - (733 - 56) - 9);
    // 12 pixels further from the right edge: 9 points more.
    dragMarker(f->FirstInd, Qt::LeftButton, 5, {-12});
    QCOMPARE(f->Editor->Paragraph().FirstIndent(), (26 + 12 + 5 - 6) * 3 / 4);
    QCOMPARE(f->Editor->Paragraph().FirstIndent() + f->Editor->Paragraph().LeftIndent(), 9);
    dragMarker(f->RightInd, Qt::LeftButton, 4, {8});
    QCOMPARE(f->Editor->Paragraph().RightIndent(), RulerMath::RightIndentAtDrop(739, 739 - (739 - 677 - 9 + 8) - 9, 4));
    QVERIFY(f->Editor->Paragraph().RightIndent() > 36);
}

void RulerTests::leftMarkerDropChangesOnlyTheLeftIndent()
{
    FormFixture f;
    QVERIFY(f.show());
    f->Editor->ReplaceSelection("paragraph");
    f->Editor->Paragraph().SetFirstIndent(9);
    f->SelectionChange();
    QCOMPARE(f->LeftInd->x(), 14);
    // Drag 40 pixels to the right: the marker's middle follows the pointer.
    dragMarker(f->LeftInd, Qt::LeftButton, 5, {10, 10, 10, 10});
    QCOMPARE(f->Editor->Paragraph().FirstIndent(), 9);
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), (54 + 5 - 6) * 3 / 4 - 9);
    QCOMPARE(f->LeftInd->x(), (9 + f->Editor->Paragraph().LeftIndent()) * 4 / 3 + 2);
}

void RulerTests::firstMarkerDropKeepsFollowingLines()
{
    FormFixture f;
    QVERIFY(f.show());
    f->Editor->ReplaceSelection("paragraph");
    f->Editor->Paragraph().SetFirstIndent(12);
    f->Editor->Paragraph().SetLeftIndent(6);
    f->SelectionChange();
    const int leftMarker = f->LeftInd->x();
    dragMarker(f->FirstInd, Qt::LeftButton, 5, {-12});
    QCOMPARE(f->Editor->Paragraph().FirstIndent(), (18 - 12 + 5 - 6) * 3 / 4);
    QCOMPARE(f->Editor->Paragraph().FirstIndent() + f->Editor->Paragraph().LeftIndent(), 18);
    QCOMPARE(f->LeftInd->x(), leftMarker);
}

void RulerTests::anyButtonDrags()
{
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        FormFixture f;
        QVERIFY(f.show());
        f->Editor->ReplaceSelection("paragraph");
        dragMarker(f->LeftInd, button, 5, {20});
        QCOMPARE(f->Editor->Paragraph().LeftIndent(), (22 + 5 - 6) * 3 / 4);
    }
}

void RulerTests::moveWithoutPressDoesNothing()
{
    FormFixture f;
    QVERIFY(f.show());
    f->Editor->ReplaceSelection("paragraph");
    f->RulerItemMouseMove(f->LeftInd, 30);
    QCOMPARE(f->LeftInd->x(), 2);
    QVERIFY(!f->MarkerDragActive);
    // Pulled past the left end: no bounds.
    f->RulerItemMouseDown(f->LeftInd, 5);
    f->RulerItemMouseMove(f->LeftInd, -39);
    QCOMPARE(f->LeftInd->x(), -42);
    f->LeftIndMouseUp(f->LeftInd, 0);
    // -43 pixels are -32 points: truncated toward zero, not down.
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), -32);
}

void RulerTests::narrowingTheWindow()
{
    FormFixture f;
    QVERIFY(f.show(900, 500));
    f->Editor->ReplaceSelection("paragraph");
    const int rightBefore = f->RightInd->x();
    const int lineBefore = f->RulerLine->width();
    const QString ticks = static_cast<TRulerPanel *>(f->Ruler)->caption();
    f->resize(700, 500);
    QCoreApplication::processEvents();
    QCOMPARE(f->RightInd->x(), rightBefore - 200);
    QCOMPARE(f->RulerLine->width(), lineBefore - 200);
    QCOMPARE(f->RulerLine->width(), f->Ruler->width() - 8);
    QCOMPARE(static_cast<TRulerPanel *>(f->Ruler)->caption(), ticks);
}

void RulerTests::alignmentButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("alignment");
    QTest::newRow("left") << "LeftAlign" << 0;
    QTest::newRow("centre carries tag 2") << "CenterAlign" << 2;
    QTest::newRow("right carries tag 1") << "RightAlign" << 1;
}

void RulerTests::alignmentButtons()
{
    QFETCH(QString, button);
    QFETCH(int, alignment);
    FormFixture f;
    f->Editor->ReplaceSelection("paragraph");
    auto *toolButton = f->findChild<QToolButton *>(button);
    QVERIFY(toolButton);
    toolButton->click();
    QCOMPARE(f->Editor->Paragraph().Alignment(), alignment);
    QVERIFY(toolButton->isChecked());
    // Exclusive: only the clicked one is down, and clicking it again leaves it down.
    int down = 0;
    for (QToolButton *b : {f->LeftAlign, f->CenterAlign, f->RightAlign})
        down += b->isChecked();
    QCOMPARE(down, 1);
    toolButton->click();
    QVERIFY(toolButton->isChecked());
    QCOMPARE(f->Editor->Paragraph().Alignment(), alignment);
}

void RulerTests::justifiedLeavesButtonsAlone()
{
    FormFixture f;
    f->Editor->ReplaceSelection("first\r\nsecond");
    f->Editor->SetSelStart(8);
    f->Editor->setAlignment(Qt::AlignJustify);
    QCOMPARE(f->Editor->Paragraph().Alignment(), 3);
    f->Editor->SetSelStart(1);
    f->CenterAlign->click();
    QVERIFY(f->CenterAlign->isChecked());
    f->Editor->SetSelStart(9);
    QVERIFY(f->CenterAlign->isChecked());
    QVERIFY(!f->LeftAlign->isChecked());
    QVERIFY(!f->RightAlign->isChecked());
    // Clicking a button replaces the justification.
    f->RightAlign->click();
    QCOMPARE(f->Editor->Paragraph().Alignment(), 1);
}

void RulerTests::bullets()
{
    FormFixture f;
    f->Editor->ReplaceSelection("item");
    f->Editor->Paragraph().SetLeftIndent(4);
    f->SelectionChange();
    QVERIFY(!f->BulletsButton->isChecked());
    f->BulletsButton->click();
    QCOMPARE(f->Editor->Paragraph().Numbering(), 1);
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), 10);
    f->SelectionChange();
    QVERIFY(f->BulletsButton->isChecked());
    f->Editor->Paragraph().SetLeftIndent(25);
    f->BulletsButton->click();
    QCOMPARE(f->Editor->Paragraph().Numbering(), 0);
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), 0);
}

void RulerTests::bulletsKeepLargerIndent()
{
    FormFixture f;
    f->Editor->ReplaceSelection("item");
    f->Editor->Paragraph().SetLeftIndent(30);
    f->BulletsButton->click();
    QCOMPARE(f->Editor->Paragraph().LeftIndent(), 30);
}

void RulerTests::paragraphHandlersDoNothingWhileRefreshing()
{
    FormFixture f;
    f->Editor->ReplaceSelection("item");
    f->ControlsRefreshing = true;
    f->CenterAlign->setChecked(true);
    f->AlignButtonClick(f->CenterAlign);
    f->BulletsButton->setChecked(true);
    f->BulletsButtonClick();
    f->ControlsRefreshing = false;
    QCOMPARE(f->Editor->Paragraph().Alignment(), 0);
    QCOMPARE(f->Editor->Paragraph().Numbering(), 0);
}

void RulerTests::editorKeepsSixPixelMargins()
{
    FormFixture f;
    QVERIFY(f.show(800, 500));
    // Another rectangle first, so the check sees what ApplyEditorMargins sets.
    f->Editor->SetFormattingRect(QRect(20, 5, 100, 100));
    f->ApplyEditorMargins();
    const QRect rect = f->Editor->FormattingRect();
    QCOMPARE(rect.left(), 6);
    QCOMPARE(rect.top(), 0);
    QCOMPARE(rect.right() + 1, f->Editor->ClientWidth() - 6);
    QCOMPARE(rect.bottom() + 1, f->Editor->ClientHeight());
    // The text keeps 6 pixels from both edges after a resize too.
    f->resize(640, 480);
    QCoreApplication::processEvents();
    const QRect resized = f->Editor->FormattingRect();
    QCOMPARE(resized.left(), 6);
    QCOMPARE(resized.right() + 1, f->Editor->ClientWidth() - 6);
    // The caret at the start of the text stands at the left margin.
    QCOMPARE(f->Editor->cursorRect(QTextCursor(f->Editor->document())).left(), 6);
}

QTEST_MAIN(RulerTests)
#include "tst_ruler.moc"

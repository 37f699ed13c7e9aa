// The small widgets of the formatting tool bar and the ruler, on their own: the up-down arrows,
// the font-name completion, the drawn indent markers and the tick panel.
#include <QtTest>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QLineEdit>
#include <QToolButton>

#include "FontNameCompletion.h"
#include "TColorBox.h"
#include "TFontDialog.h"
#include "FontColors.h"
#include "Prompts.h"
#include "TTntRichEdit.h"
#include "TRulerMarker.h"
#include "TRulerPanel.h"
#include "TUpDown.h"

class FormatWidgets : public QObject
{
    Q_OBJECT
private slots:
    void upDownSteps_data();
    void upDownSteps();
    void upDownArrowKeysAndButtons();
    void upDownWritesOnlyChangedText();
    void completionCompletesToFirstEntry();
    void completionFollowsFurtherTyping();
    void completionWithoutMatchHasNoCurrentEntry();
    void completionDeletingDoesNotComplete();
    void completionPickRaisesChange();
    void completionQuietText();
    void markerSizesAndPaint_data();
    void markerSizesAndPaint();
    void markerPassesEveryButtonAndX();
    void rulerPanelCaptionAndResize();
    void colourBoxShowsTheCurrentSwatch();
    void fontDialogThroughThePrompts();
};

void FormatWidgets::upDownSteps_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up from the box's number") << "14" << 20 << 1 << "15";
    QTest::newRow("down from the box's number") << "14" << 20 << -1 << "13";
    QTest::newRow("no wrap at the top") << "100" << 100 << 1 << "100";
    QTest::newRow("no wrap at the bottom") << "0" << 0 << -1 << "0";
    QTest::newRow("text not a number: from the position") << "" << 20 << 1 << "21";
    QTest::newRow("number out of range: from the position") << "150" << 30 << -1 << "29";
    QTest::newRow("big step clamps") << "50" << 50 << 1000 << "100";
}

void FormatWidgets::upDownSteps()
{
    QFETCH(QString, shown);
    QFETCH(int, position);
    QFETCH(int, steps);
    QFETCH(QString, expected);
    QLineEdit edit;
    TUpDown upDown;
    upDown.setRange(0, 100);
    upDown.setAssociate(&edit);
    upDown.setPosition(position);
    edit.setText(shown);
    upDown.stepBy(steps);
    QCOMPARE(edit.text(), expected);
    QCOMPARE(upDown.position(), expected.toInt());
}

void FormatWidgets::upDownArrowKeysAndButtons()
{
    QLineEdit edit;
    TUpDown upDown;
    upDown.setRange(0, 100);
    upDown.setAssociate(&edit);
    upDown.setPosition(20);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.text(), QString("21"));
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(edit.text(), QString("19"));
    upDown.upButton()->click();
    QCOMPARE(edit.text(), QString("20"));
    upDown.downButton()->click();
    QCOMPARE(edit.text(), QString("19"));
    // Other keys still reach the box.
    QTest::keyClick(&edit, Qt::Key_5);
    QCOMPARE(edit.text(), QString("195"));
}

void FormatWidgets::upDownWritesOnlyChangedText()
{
    QLineEdit edit;
    TUpDown upDown;
    upDown.setRange(0, 100);
    upDown.setAssociate(&edit);
    upDown.setPosition(100);
    QSignalSpy changes(&edit, &QLineEdit::textChanged);
    upDown.stepBy(1);
    QCOMPARE(changes.count(), 0);
    upDown.stepBy(-1);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toString(), QString("99"));
}

namespace {
struct FontBox
{
    QComboBox box;
    FontNameCompletion *completion;
    int changes = 0;
    QStringList appliedEntries;
    FontBox()
    {
        box.addItems({"Arial", "Arial Black", "Courier New", "DejaVu Sans", "dejavu serif", "Noto Sans"});
        completion = new FontNameCompletion(&box);
        completion->OnChange = [this] {
            ++changes;
            appliedEntries.append(box.currentIndex() >= 0 ? box.itemText(box.currentIndex()) : QString());
        };
        completion->setTextQuietly(QString());
    }
};
} // namespace

// Keys typed by a user arrive at the box (its line edit's focus proxy), which hands them on.
void FormatWidgets::completionCompletesToFirstEntry()
{
    FontBox f;
    QTest::keyClicks(&f.box, "de");
    QCOMPARE(f.box.currentIndex(), 3);
    QCOMPARE(f.box.lineEdit()->text(), QString("dejaVu Sans")); // the typed part keeps its case
    QCOMPARE(f.box.lineEdit()->selectedText(), QString("jaVu Sans"));
    QCOMPARE(f.changes, 2);
    QCOMPARE(f.appliedEntries, QStringList({"DejaVu Sans", "DejaVu Sans"}));
}

void FormatWidgets::completionFollowsFurtherTyping()
{
    FontBox f;
    // The typed character replaces the selected completion.
    QTest::keyClicks(f.box.lineEdit(), "Dejavu s");
    QCOMPARE(f.box.currentIndex(), 3);
    QTest::keyClicks(f.box.lineEdit(), "e");
    QCOMPARE(f.box.currentIndex(), 4);
    QCOMPARE(f.box.lineEdit()->text(), QString("Dejavu serif"));
    QCOMPARE(f.appliedEntries.last(), QString("dejavu serif"));
}

void FormatWidgets::completionWithoutMatchHasNoCurrentEntry()
{
    FontBox f;
    QTest::keyClicks(f.box.lineEdit(), "Zapf");
    QCOMPARE(f.box.currentIndex(), -1);
    QCOMPARE(f.box.lineEdit()->text(), QString("Zapf"));
    QCOMPARE(f.appliedEntries.last(), QString());
    // A name that no entry begins with, after a match: the current entry goes away.
    QTest::keyClick(f.box.lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f.box.lineEdit(), "Arialx");
    QCOMPARE(f.box.currentIndex(), -1);
    QCOMPARE(f.box.lineEdit()->text(), QString("Arialx"));
}

void FormatWidgets::completionDeletingDoesNotComplete()
{
    FontBox f;
    QTest::keyClicks(f.box.lineEdit(), "Arial B");
    QCOMPARE(f.box.lineEdit()->text(), QString("Arial Black"));
    QTest::keyClick(f.box.lineEdit(), Qt::Key_Backspace); // removes the selected completion
    QCOMPARE(f.box.lineEdit()->text(), QString("Arial B"));
    QCOMPARE(f.box.currentIndex(), 1);
    QTest::keyClick(f.box.lineEdit(), Qt::Key_Backspace);
    QTest::keyClick(f.box.lineEdit(), Qt::Key_Backspace);
    QCOMPARE(f.box.lineEdit()->text(), QString("Arial"));
    QCOMPARE(f.box.currentIndex(), 0);
}

void FormatWidgets::completionPickRaisesChange()
{
    FontBox f;
    f.box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.box));
    emit f.box.activated(2); // what the list does when the user picks an entry
    QCOMPARE(f.changes, 1);
    f.box.setCurrentIndex(5);
    QCOMPARE(f.changes, 1); // the program setting the entry raises nothing
}

void FormatWidgets::completionQuietText()
{
    FontBox f;
    f.completion->setTextQuietly("courier new");
    QCOMPARE(f.box.currentIndex(), 2);
    QCOMPARE(f.box.lineEdit()->text(), QString("courier new"));
    f.completion->setTextQuietly("Some Face");
    QCOMPARE(f.box.currentIndex(), -1);
    QCOMPARE(f.box.lineEdit()->text(), QString("Some Face"));
    QCOMPARE(f.changes, 0);
}

void FormatWidgets::markerSizesAndPaint_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("solid");
    QTest::addColumn<QPoint>("hollow");
    QTest::newRow("down arrow") << int(TRulerMarker::Shape::DownArrow) << QSize(10, 9) << QPoint(4, 6) << QPoint(0, 0);
    QTest::newRow("up arrow") << int(TRulerMarker::Shape::UpArrow) << QSize(10, 11) << QPoint(4, 3) << QPoint(0, 10);
    // The outlined arrow is white inside and black on its edge.
    QTest::newRow("outlined up arrow") << int(TRulerMarker::Shape::OutlinedUpArrow) << QSize(9, 12) << QPoint(2, 8)
                                       << QPoint(4, 8);
}

void FormatWidgets::markerSizesAndPaint()
{
    QFETCH(int, shape);
    QFETCH(QSize, size);
    QFETCH(QPoint, solid);
    QFETCH(QPoint, hollow);
    QWidget panel;
    panel.setAutoFillBackground(true);
    panel.setPalette(QPalette(Qt::lightGray));
    TRulerMarker marker(TRulerMarker::Shape(shape), &panel);
    QCOMPARE(marker.size(), size);
    const QImage image = marker.grab().toImage();
    QCOMPARE(image.pixelColor(solid), QColor(Qt::black));
    QVERIFY(image.pixelColor(hollow) != QColor(Qt::black));
}

void FormatWidgets::markerPassesEveryButtonAndX()
{
    QWidget panel;
    panel.resize(200, 30);
    TRulerMarker marker(TRulerMarker::Shape::UpArrow, &panel);
    marker.move(50, 10);
    QStringList seen;
    marker.OnMouseDown = [&](TRulerMarker *m, int x) { seen << QString("down %1 %2").arg(m == &marker).arg(x); };
    marker.OnMouseMove = [&](TRulerMarker *, int x) { seen << QString("move %1").arg(x); };
    marker.OnMouseUp = [&](TRulerMarker *, int x) { seen << QString("up %1").arg(x); };
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTest::mousePress(&marker, Qt::RightButton, {}, QPoint(0, 3));
    QMouseEvent move(QEvent::MouseMove, QPointF(-7, 3), marker.mapToGlobal(QPointF(-7, 3)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&marker, &move);
    QTest::mouseRelease(&marker, Qt::RightButton, {}, QPoint(9, 3));
    QTest::mouseClick(&marker, Qt::MiddleButton, {}, QPoint(3, 3));
    QCOMPARE(seen, QStringList({"down 1 0", "move -7", "up 9", "down 1 3", "up 3"}));
}

void FormatWidgets::rulerPanelCaptionAndResize()
{
    TRulerPanel panel;
    int resized = 0;
    panel.OnResize = [&] { ++resized; };
    panel.resize(300, 26);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(resized >= 1);
    const int before = resized;
    panel.resize(400, 26);
    QCOMPARE(resized, before + 1);
    QVERIFY(panel.tabStopDistance() > 8);

    // Ticks: the bars stand at equal distances from the left edge on.
    panel.setCaption(QStringLiteral("\t|").repeated(100));
    panel.setAutoFillBackground(true);
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel.setPalette(palette);
    const QImage image = panel.grab().toImage();
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        bool dark = false;
        for (int y = 0; y < image.height(); ++y)
            dark = dark || qGray(image.pixel(x, y)) < 128;
        if (dark && (columns.isEmpty() || columns.last() < x - 1))
            columns.append(x);
        else if (dark)
            columns.last() = x;
    }
    QVERIFY2(columns.size() >= 4, qPrintable(QString::number(columns.size())));
    const int step = columns[1] - columns[0];
    QVERIFY(step > 8);
    for (int i = 2; i < columns.size(); ++i)
        QVERIFY(qAbs(columns[i] - columns[i - 1] - step) <= 1);
}

void FormatWidgets::colourBoxShowsTheCurrentSwatch()
{
    TColorBox box;
    box.addItem("Maroon", QVariant(int(RGBToColor(128, 0, 0))));
    box.addItem("Medium Gray", QVariant(int(RGBToColor(160, 160, 164))));
    box.setFixedSize(73, 22);
    box.setCurrentIndex(1);
    QVERIFY(box.swatchRect().height() >= 6);
    const QPoint middle = box.swatchRect().center();
    QCOMPARE(box.grab().toImage().pixelColor(middle), QColor(160, 160, 164));
    box.setCurrentIndex(0);
    QCOMPARE(box.grab().toImage().pixelColor(middle), QColor(128, 0, 0));
    // No current entry: an empty face, no swatch.
    box.setCurrentIndex(-1);
    const QColor empty = box.grab().toImage().pixelColor(middle);
    QVERIFY(empty != QColor(128, 0, 0) && empty != QColor(Qt::black));
    // The dropped list is wide enough for the longest name.
    box.setCurrentIndex(0);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.showPopup();
    QVERIFY(box.view()->width() >= box.view()->fontMetrics().horizontalAdvance("Medium Gray"));
    box.hidePopup();
}

// The program's font dialog shows the font it is given, colour included, and gives back what
// the user changed; character set and pitch pass through.
void FormatWidgets::fontDialogThroughThePrompts()
{
    TFontChoice font;
    font.name = QStringLiteral("DejaVu Serif");
    font.size = 14;
    font.style = fsBold | fsUnderline;
    font.color = RGBToColor(255, 0, 0);
    font.charset = 178;
    TFontChoice shown;
    QTimer::singleShot(0, [&shown] {
        auto *dialog = qobject_cast<TFontDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (auto *other = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                other->reject(); // some other dialog: the test fails instead of waiting
            return;
        }
        shown = dialog->choice();
        QCOMPARE(dialog->ColorBox->count(), FontColorCount);
        QCOMPARE(dialog->ColorBox->currentText(), QString("Red"));
        dialog->FaceName->selectAll();
        QTest::keyClicks(dialog->FaceName, "noto sa");
        dialog->StyleList->setCurrentRow(1); // Italic
        dialog->SizeList->setCurrentRow(0);
        dialog->StrikeOut->setChecked(true);
        dialog->ColorBox->setCurrentIndex(12);
        dialog->accept();
    });
    QtPrompts prompts(nullptr);
    QVERIFY(prompts.ChooseFont(font));
    QCOMPARE(shown.name, QString("DejaVu Serif"));
    QCOMPARE(shown.style, fsBold | fsUnderline);
    QCOMPARE(shown.color, RGBToColor(255, 0, 0));
    QCOMPARE(font.name, QString("Noto Sans")); // the face the typed beginning stands for
    QCOMPARE(font.size, 8);
    QCOMPARE(font.style, fsItalic | fsUnderline | fsStrikeOut);
    QCOMPARE(font.color, RGBToColor(0, 0, 255));
    QCOMPARE(font.charset, 178);
}

QTEST_MAIN(FormatWidgets)
#include "tst_format_widgets.moc"

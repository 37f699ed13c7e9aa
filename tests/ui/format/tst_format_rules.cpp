// Rules with numbers in them: the ruler's pixel/point arithmetic, the font-name completion
// lookup, the colour table, and the reading of the X keyboard's layout names.
#include <QtTest>

#include "FontColors.h"
#include "FontNameCompletion.h"
#include "RulerMath.h"
#include "XkbLayoutNames.h"

using namespace RulerMath;

class FormatRules : public QObject
{
    Q_OBJECT
private slots:
    void conversionsTruncateTowardZero_data();
    void conversionsTruncateTowardZero();
    void markerPlacement_data();
    void markerPlacement();
    void leftMarkersGiveBackTheirIndent();
    void rightMarkerRoundTrip_data();
    void rightMarkerRoundTrip();
    void pressAtLeftEdgeOfFirstMarker();
    void firstEntryStartingWith_data();
    void firstEntryStartingWith();
    void colourTable();
    void colourLookup_data();
    void colourLookup();
    void rulesNames_data();
    void rulesNames();
};

void FormatRules::conversionsTruncateTowardZero_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("pixelsIn");
    QTest::addColumn<int>("pointsOut");
    QTest::newRow("zero") << 0 << 0 << 0 << 0;
    QTest::newRow("one point is one pixel") << 1 << 1 << 1 << 0;
    QTest::newRow("two points are two pixels") << 2 << 2 << 2 << 1;
    QTest::newRow("three points are four pixels") << 3 << 4 << 4 << 3;
    QTest::newRow("ten") << 10 << 13 << 13 << 9;
    QTest::newRow("-1 point is -1 pixel") << -1 << -1 << -1 << 0;
    QTest::newRow("-2 pixels are -1 point") << -2 << -2 << -2 << -1;
    QTest::newRow("-4 pixels are -3 points") << -3 << -4 << -4 << -3;
    QTest::newRow("-5") << -5 << -6 << -5 << -3;
    QTest::newRow("large") << 720 << 960 << 961 << 720;
}

void FormatRules::conversionsTruncateTowardZero()
{
    QFETCH(int, points);
    QFETCH(int, pixels);
    QFETCH(int, pixelsIn);
    QFETCH(int, pointsOut);
    QCOMPARE(PointsToPixels(points), pixels);
    QCOMPARE(PixelsToPoints(pixelsIn), pointsOut);
}

void FormatRules::markerPlacement_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("rulerWidth");
    QTest::addColumn<int>("firstLeft");
    QTest::addColumn<int>("leftLeft");
    QTest::addColumn<int>("rightLeft");
    QTest::newRow("all zero, 739 wide") << 0 << 0 << 0 << 739 << 2 << 2 << 725;
    QTest::newRow("hanging indent") << 18 << -18 << 0 << 739 << 26 << 2 << 725;
    QTest::newRow("negative first indent") << -3 << 3 << 0 << 739 << -2 << 2 << 725;
    QTest::newRow("right indent 1") << 0 << 0 << 1 << 739 << 2 << 2 << 724;
    QTest::newRow("right indent 36, narrow ruler") << 0 << 0 << 36 << 400 << 2 << 2 << 338;
    QTest::newRow("left indent counts from first") << 10 << 20 << 0 << 739 << 15 << 42 << 725;
}

void FormatRules::markerPlacement()
{
    QFETCH(int, first);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(int, rulerWidth);
    QFETCH(int, firstLeft);
    QFETCH(int, leftLeft);
    QFETCH(int, rightLeft);
    QCOMPARE(FirstIndLeft(first), firstLeft);
    QCOMPARE(LeftIndLeft(first, left), leftLeft);
    QCOMPARE(RightIndLeft(rulerWidth, right), rightLeft);
}

// A left marker placed from an indent, pressed at its middle and released gives the same
// indent. Below zero the truncation toward zero moves it one step toward zero instead.
void FormatRules::leftMarkersGiveBackTheirIndent()
{
    const int grab = GrabOffset(10);
    QCOMPARE(grab, 5);
    for (int first = 0; first <= 300; ++first) {
        const int left = FirstIndLeft(first);
        QCOMPARE(FirstIndentAtDrop(DraggedLeft(left, grab, grab), grab), first);
        for (int leftIndent : {-first, 0, 7, 25}) {
            const int markerLeft = LeftIndLeft(first, leftIndent);
            QCOMPARE(LeftIndentAtDrop(markerLeft, grab, first), leftIndent);
        }
    }
    QCOMPARE(FirstIndentAtDrop(FirstIndLeft(-1), grab), 0);
    QCOMPARE(FirstIndentAtDrop(FirstIndLeft(-3), grab), -2);
}

void FormatRules::rightMarkerRoundTrip_data()
{
    QTest::addColumn<int>("rightIndent");
    QTest::addColumn<int>("grab");
    QTest::addColumn<int>("expected");
    // The right marker is 9 wide: grab offset 4. Multiples of 3 come back, others one smaller.
    for (int indent : {0, 3, 6, 9, 30})
        QTest::addRow("%d, grab 4", indent) << indent << 4 << indent;
    QTest::newRow("1 gives 0") << 1 << 4 << 0;
    QTest::newRow("2 gives 1") << 2 << 4 << 1;
    QTest::newRow("4 gives 3") << 4 << 4 << 3;
    QTest::newRow("5 gives 4") << 5 << 4 << 4;
    for (int indent : {1, 2, 4, 5, 7})
        QTest::addRow("%d, grab 5", indent) << indent << 5 << indent;
}

void FormatRules::rightMarkerRoundTrip()
{
    QFETCH(int, rightIndent);
    QFETCH(int, grab);
    QFETCH(int, expected);
    for (int width : {739, 600, 1013}) {
        const int left = RightIndLeft(width, rightIndent);
        QCOMPARE(RightIndentAtDrop(width, DraggedLeft(left, grab, grab), grab), expected);
    }
}

// A press at X 0 on FirstInd with both indents 0: the marker jumps 5 to the left; the drop
// writes first indent -3 and left indent 3, so the following lines stay at 0.
void FormatRules::pressAtLeftEdgeOfFirstMarker()
{
    const int grab = GrabOffset(10);
    const int left = DraggedLeft(FirstIndLeft(0), 0, grab);
    QCOMPARE(left, -3);
    const int first = FirstIndentAtDrop(left, grab);
    QCOMPARE(first, -3);
    QCOMPARE(LeftIndentAtDrop(LeftIndLeft(0, 0), grab, first), 3);
}

void FormatRules::firstEntryStartingWith_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    const QStringList fonts{"Arial", "arial black", "Courier", "DejaVu Sans", "DejaVu Sans Mono", "Noto Sans"};
    QTest::newRow("prefix") << fonts << "Cou" << 2;
    QTest::newRow("ignores case") << fonts << "dEJ" << 3;
    QTest::newRow("first in list order") << fonts << "a" << 0;
    QTest::newRow("longer prefix skips earlier") << fonts << "Arial B" << 1;
    QTest::newRow("whole name") << fonts << "DejaVu Sans" << 3;
    QTest::newRow("no entry") << fonts << "Zapf" << -1;
    QTest::newRow("text longer than entry") << fonts << "Arial Blackest" << -1;
    QTest::newRow("empty text") << fonts << "" << -1;
    QTest::newRow("empty list") << QStringList() << "A" << -1;
    QTest::newRow("duplicates: the first") << QStringList{"B", "Noto", "noto"} << "NOTO" << 1;
}

void FormatRules::firstEntryStartingWith()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(int, index);
    QCOMPARE(FirstEntryStartingWith(entries, text), index);
}

void FormatRules::colourTable()
{
    const char *names[] = {"Black", "Maroon", "Green",   "Olive",  "Navy",    "Purple",      "Teal",
                           "Gray",  "Silver", "Red",     "Lime",   "Yellow",  "Blue",        "Fuchsia",
                           "Aqua",  "White",  "Money Green", "Sky Blue", "Cream", "Medium Gray"};
    for (int i = 0; i < FontColorCount; ++i)
        QCOMPARE(FontColorEntries[i].name, names[i]);
    QCOMPARE(FontColorEntries[1].color, RGBToColor(128, 0, 0));
    QCOMPARE(FontColorEntries[17].color, RGBToColor(166, 202, 240));
    QCOMPARE(FontColorEntries[18].color, RGBToColor(255, 251, 240));
    QCOMPARE(FontColorEntries[19].color, RGBToColor(160, 160, 164));
}

void FormatRules::colourLookup_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("index");
    QTest::newRow("black") << int(RGBToColor(0, 0, 0)) << 0;
    QTest::newRow("red is 255,0,0 in the low byte") << int(RGBToColor(255, 0, 0)) << 9;
    QTest::newRow("blue") << int(RGBToColor(0, 0, 255)) << 12;
    QTest::newRow("money green") << int(RGBToColor(192, 220, 192)) << 16;
    QTest::newRow("automatic colour") << int(clWindowText) << -1;
    QTest::newRow("none") << int(clNone) << -1;
    QTest::newRow("not in the list") << int(RGBToColor(1, 2, 3)) << -1;
}

void FormatRules::colourLookup()
{
    QFETCH(int, color);
    QFETCH(int, index);
    QCOMPARE(FontColorIndex(TColor(color)), index);
}

void FormatRules::rulesNames_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QStringList>("layouts");
    QTest::addColumn<QList<bool>>("usEnglish");
    const QByteArray deUs("evdev\0pc105\0de,us\0,\0grp:alt_shift_toggle\0", 40);
    QTest::newRow("de,us") << deUs << QStringList{"de", "us"} << QList<bool>{false, true};
    QTest::newRow("us alone") << QByteArray("evdev\0pc105\0us\0\0\0", 17) << QStringList{"us"} << QList<bool>{true};
    QTest::newRow("us international is not US English")
        << QByteArray("evdev\0pc105\0us,ara\0intl,\0\0", 26) << QStringList{"us", "ara"} << QList<bool>{false, false};
    QTest::newRow("variants missing") << QByteArray("evdev\0pc105\0ara,us", 18) << QStringList{"ara", "us"}
                                      << QList<bool>{false, true};
    QTest::newRow("empty property") << QByteArray() << QStringList() << QList<bool>{false};
}

void FormatRules::rulesNames()
{
    QFETCH(QByteArray, property);
    QFETCH(QStringList, layouts);
    QFETCH(QList<bool>, usEnglish);
    const XkbGroupNames groups = ParseXkbRulesNames(property);
    QCOMPARE(groups.layouts, layouts);
    for (int group = 0; group < usEnglish.size(); ++group)
        QCOMPARE(IsUsEnglishGroup(groups, group), usEnglish[group]);
    QVERIFY(!IsUsEnglishGroup(groups, -1));
    QVERIFY(!IsUsEnglishGroup(groups, 7));

    // Without layout names the display name decides.
    XkbGroupNames named;
    named.names = {"German", "English (US)"};
    QVERIFY(!IsUsEnglishGroup(named, 0));
    QVERIFY(IsUsEnglishGroup(named, 1));
}

QTEST_GUILESS_MAIN(FormatRules)
#include "tst_format_rules.moc"

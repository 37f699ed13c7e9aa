#include <QTest>

#include "untRtf2Html.h"

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

ForumRunFormat Fmt(int size = 10, TColor color = clWindowText, const char *styles = "", int alignment = 0,
                   const QString &font = QStringLiteral("Arial"))
{
    ForumRunFormat f;
    f.alignment = alignment;
    f.fontName = font;
    f.size = size;
    f.color = color;
    const QByteArray s(styles);
    f.bold = s.contains('b');
    f.italic = s.contains('i');
    f.underline = s.contains('u');
    return f;
}

ForumRunFormat Rtl(ForumRunFormat f)
{
    f.rightToLeft = true;
    return f;
}

struct Run
{
    ForumRunFormat format;
    QString text;
};

// A paragraph: its runs; the break after it is read with the format of its last character
// (or breakFormat for an empty paragraph).
struct Para
{
    QList<Run> runs;
    ForumRunFormat breakFormat;
};

// Feeds the builder one position at a time, as the walk over the control does: each character
// with its own format, both positions of a line break with the paragraph's end format and no
// text, "<br>" flagged at the position after each line feed.
QString WalkPositions(const QList<Para> &paras)
{
    ForumMarkupBuilder builder;
    bool afterLineFeed = false;
    for (int i = 0; i < paras.size(); ++i) {
        ForumRunFormat end = paras[i].breakFormat;
        for (const Run &run : paras[i].runs) {
            for (QChar c : run.text) {
                builder.feed(run.format, QString(c), afterLineFeed);
                afterLineFeed = false;
            }
            end = run.format;
        }
        if (i + 1 < paras.size()) {
            builder.feed(end, QString(), afterLineFeed); // CR
            builder.feed(end, QString(), false);         // LF
            afterLineFeed = true;
        }
    }
    return builder.result();
}

// The same document fed one run at a time.
QString FeedRuns(const QList<Para> &paras)
{
    ForumMarkupBuilder builder;
    bool afterLineFeed = false;
    for (int i = 0; i < paras.size(); ++i) {
        ForumRunFormat end = paras[i].breakFormat;
        for (const Run &run : paras[i].runs) {
            builder.feed(run.format, run.text, afterLineFeed);
            afterLineFeed = false;
            end = run.format;
        }
        if (i + 1 < paras.size()) {
            builder.feed(end, QString(), afterLineFeed);
            afterLineFeed = true;
        }
    }
    return builder.result();
}

Para P(QList<Run> runs, ForumRunFormat breakFormat = Fmt())
{
    return Para{std::move(runs), std::move(breakFormat)};
}

} // namespace

using Doc = QList<Para>;
Q_DECLARE_METATYPE(Doc)

class TestForumMarkup : public QObject
{
    Q_OBJECT
private slots:
    void colorNames_data();
    void colorNames();
    void removeFirstOccurrence_data();
    void removeFirstOccurrence();
    void documents_data();
    void documents();
};

void TestForumMarkup::colorNames_data()
{
    QTest::addColumn<TColor>("color");
    QTest::addColumn<QByteArray>("name");
    const struct { int r, g, b; const char *name; } named[] = {
        {0, 0, 0, "Black"}, {128, 0, 0, "Maroon"}, {0, 128, 0, "Green"}, {128, 128, 0, "Olive"},
        {0, 0, 128, "Navy"}, {128, 0, 128, "Purple"}, {0, 128, 128, "Teal"}, {128, 128, 128, "Gray"},
        {192, 192, 192, "Silver"}, {255, 0, 0, "Red"}, {0, 255, 0, "Lime"}, {255, 255, 0, "Yellow"},
        {0, 0, 255, "Blue"}, {255, 0, 255, "Fuchsia"}, {0, 255, 255, "Aqua"}, {255, 255, 255, "White"},
        {192, 220, 192, "MoneyGreen"}, {166, 202, 240, "SkyBlue"}, {255, 251, 240, "Cream"},
        {160, 160, 164, "MedGray"},
    };
    for (const auto &n : named)
        QTest::newRow(n.name) << RGBToColor(n.r, n.g, n.b) << QByteArray(n.name);
    QTest::newRow("automatic") << clWindowText << QByteArray("WindowText");
    QTest::newRow("orange has no name") << RGBToColor(255, 128, 0) << QByteArray("00080FF");
    QTest::newRow("almost black") << RGBToColor(1, 0, 0) << QByteArray("0000001");
    QTest::newRow("almost white") << RGBToColor(255, 255, 254) << QByteArray("0FEFFFF");
    QTest::newRow("not a colour the control gives") << TColor(0x1FFFFFFF) << QByteArray("FFFFFFF");
}

void TestForumMarkup::colorNames()
{
    QFETCH(TColor, color);
    QFETCH(QByteArray, name);
    QCOMPARE(ColorNameWithoutPrefix(color), name);
}

void TestForumMarkup::removeFirstOccurrence_data()
{
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("middle") << QByteArray("<i>") << QByteArray("<b><i><u>") << QByteArray("<b><u>");
    QTest::newRow("first only") << QByteArray("<b>") << QByteArray("<b><i><b>") << QByteArray("<i><b>");
    QTest::newRow("absent") << QByteArray("<u>") << QByteArray("<b><i>") << QByteArray("<b><i>");
    QTest::newRow("closing tag") << QByteArray("</b>") << QByteArray("</i></b>") << QByteArray("</i>");
    QTest::newRow("empty list") << QByteArray("<b>") << QByteArray() << QByteArray();
    QTest::newRow("across tag borders") << QByteArray("><") << QByteArray("<b><i>") << QByteArray("<bi>");
}

void TestForumMarkup::removeFirstOccurrence()
{
    QFETCH(QByteArray, tag);
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, expected);
    RemoveFirstOccurrence(tag, tags);
    QCOMPARE(tags, expected);
}

void TestForumMarkup::documents_data()
{
    QTest::addColumn<Doc>("doc");
    QTest::addColumn<QString>("markup");

    QTest::newRow("bold red centred")
        << Doc{P({{Fmt(14, Red, "b", 2), "ab"}})} << "[center][font=Arial][size=14pt][color=Red]<b>ab";
    QTest::newRow("bold italic middle letter")
        << Doc{P({{Fmt(), "a"}, {Fmt(10, clWindowText, "bi"), "b"}, {Fmt(), "c"}})}
        << "[left][font=Arial][size=10pt][color=WindowText]a<b><i>b</b></i>c";
    QTest::newRow("colour change reopens bold")
        << Doc{P({{Fmt(10, Red, "b"), "a"}, {Fmt(10, Blue, "b"), "b"}})}
        << "[left][font=Arial][size=10pt][color=Red]<b>a</b>[/color][color=Blue]<b>b";
    QTest::newRow("line break with the format of the line's end")
        << Doc{P({{Fmt(), "a"}, {Fmt(10, clWindowText, "b"), "b"}}), P({{Fmt(10, clWindowText, "bi"), "c"}})}
        << "[left][font=Arial][size=10pt][color=WindowText]a<b>b<i><br>c";

    QTest::newRow("uniform document")
        << Doc{P({{Fmt(12), "hello world"}})} << "[left][font=Arial][size=12pt][color=WindowText]hello world";
    QTest::newRow("trailing line break gives no br")
        << Doc{P({{Fmt(), "a"}}), P({})} << "[left][font=Arial][size=10pt][color=WindowText]a";
    QTest::newRow("empty line gives two br")
        << Doc{P({{Fmt(), "a"}}), P({}), P({{Fmt(), "b"}})}
        << "[left][font=Arial][size=10pt][color=WindowText]a<br><br>b";
    QTest::newRow("only line breaks")
        << Doc{P({}), P({}), P({})} << "[left][font=Arial][size=10pt][color=WindowText]<br>";
    QTest::newRow("empty line in another size writes its tags before the br")
        << Doc{P({{Fmt(), "a"}}), P({}, Fmt(20)), P({{Fmt(), "b"}})}
        << "[left][font=Arial][size=10pt][color=WindowText]a[/color][/size][size=20pt][color=WindowText]<br>"
           "[/color][/size][size=10pt][color=WindowText]<br>b";
    QTest::newRow("bold off while italic stays on")
        << Doc{P({{Fmt(10, Red, "bi"), "x"}, {Fmt(10, Red, "i"), "y"}, {Fmt(10, Blue, "i"), "z"}})}
        << "[left][font=Arial][size=10pt][color=Red]<b><i>x</b>y</i>[/color][color=Blue]<i>z";
    QTest::newRow("closers in reverse order, reopened in order")
        << Doc{P({{Fmt(10, Red, "ub"), "x"}, {Fmt(10, Blue, "ub"), "y"}})}
        << "[left][font=Arial][size=10pt][color=Red]<b><u>x</u></b>[/color][color=Blue]<b><u>y";
    QTest::newRow("style turned off, on again, goes to the end of the order")
        << Doc{P({{Fmt(10, Red, "bi"), "x"}, {Fmt(10, Red, "i"), "y"}, {Fmt(10, Red, "bi"), "z"},
                  {Fmt(10, Blue, "bi"), "w"}})}
        << "[left][font=Arial][size=10pt][color=Red]<b><i>x</b>y<b>z</b></i>[/color][color=Blue]<i><b>w";
    QTest::newRow("font change closes colour and size")
        << Doc{P({{Fmt(10, Red, "b"), "x"}, {Fmt(10, Red, "b", 0, "Times"), "y"}})}
        << "[left][font=Arial][size=10pt][color=Red]<b>x</b>[/color][/size][/font][font=Times][size=10pt][color=Red]<b>y";
    QTest::newRow("font names compared with case")
        << Doc{P({{Fmt(), "x"}, {Fmt(10, clWindowText, "", 0, "arial"), "y"}})}
        << "[left][font=Arial][size=10pt][color=WindowText]x[/color][/size][/font][font=arial][size=10pt][color=WindowText]y";
    QTest::newRow("size change closes colour")
        << Doc{P({{Fmt(10, Red, "i"), "x"}, {Fmt(12, Red, "i"), "y"}})}
        << "[left][font=Arial][size=10pt][color=Red]<i>x</i>[/color][/size][size=12pt][color=Red]<i>y";
    QTest::newRow("alignment change closes everything")
        << Doc{P({{Fmt(10, Red, "u"), "x"}}), P({{Fmt(10, Red, "u", 1), "y"}})}
        << "[left][font=Arial][size=10pt][color=Red]<u>x</u>[/color][/size][/font][/left][right][font=Arial]"
           "[size=10pt][color=Red]<u><br>y";
    QTest::newRow("justified is written and closed like the others")
        << Doc{P({{Fmt(10, Red, "", 0), "x"}}), P({{Fmt(10, Red, "", 3), "y"}}), P({{Fmt(10, Red, "", 2), "z"}})}
        << "[left][font=Arial][size=10pt][color=Red]x[/color][/size][/font][/left][justify][font=Arial]"
           "[size=10pt][color=Red]<br>y[/color][/size][/font][/justify][center][font=Arial][size=10pt][color=Red]<br>z";
    QTest::newRow("justified document")
        << Doc{P({{Fmt(10, Red, "", 3), "x"}})} << "[justify][font=Arial][size=10pt][color=Red]x";
    // With no font tag written there is nothing to close, so size and colour stay open.
    QTest::newRow("empty face name writes no font tag at first")
        << Doc{P({{Fmt(10, Red, "", 0, QString()), "x"}, {Fmt(10, Red, "", 0, "Arial"), "y"}})}
        << "[left][size=10pt][color=Red]x[font=Arial]y";
    QTest::newRow("size zero and hex colour")
        << Doc{P({{Fmt(0, RGBToColor(255, 128, 0)), "x"}})} << "[left][font=Arial][size=0pt][color=00080FF]x";
    QTest::newRow("nothing closed at the end")
        << Doc{P({{Fmt(10, Red, "biu", 2), "x"}})} << "[center][font=Arial][size=10pt][color=Red]<b><i><u>x";
    QTest::newRow("Coptic, Arabic and a pair beyond U+FFFF pass as they are")
        << Doc{P({{Fmt(), QString::fromUtf16(u"\u2C81\u0627")}, {Fmt(10, Red), QString::fromUcs4(U"\U0001F600")}})}
        << QString::fromUcs4(U"[left][font=Arial][size=10pt][color=WindowText]\u2C81\u0627[/color][color=Red]\U0001F600");
    // Right-to-left paragraphs: their text in U+2067 ... U+2069, the tags outside the isolate.
    QTest::newRow("right-to-left paragraph in an isolate")
        << Doc{P({{Rtl(Fmt(10, Red, "", 1)), QString::fromUtf8("اب")}})}
        << QString::fromUtf8("[right][font=Arial][size=10pt][color=Red]\u2067اب\u2069");
    QTest::newRow("isolate closed before the break, formatting inside it")
        << Doc{P({{Rtl(Fmt(10, Red, "", 1)), "a"}, {Rtl(Fmt(10, Red, "b", 1)), "b"}}), P({{Rtl(Fmt(10, Red, "", 1)), "c"}})}
        << QString::fromUtf8("[right][font=Arial][size=10pt][color=Red]\u2067a<b>b\u2069</b><br>\u2067c\u2069");
    QTest::newRow("left-to-right paragraph after a right-to-left one, empty one between")
        << Doc{P({{Rtl(Fmt()), "a"}}), P({}, Rtl(Fmt())), P({{Fmt(), "b"}})}
        << QString::fromUtf8("[left][font=Arial][size=10pt][color=WindowText]\u2067a\u2069<br><br>b");
    // A soft line break kept from a file (U+2028) is marked like every other line break.
    QTest::newRow("line break inside a paragraph gives br")
        << Doc{P({{Fmt(), QString::fromUtf16(u"a\u2028\u2028b")}, {Fmt(10, Red), QString::fromUtf16(u"\u2028c")}})}
        << "[left][font=Arial][size=10pt][color=WindowText]a<br><br>b[/color][color=Red]<br>c";
}

void TestForumMarkup::documents()
{
    QFETCH(Doc, doc);
    QFETCH(QString, markup);
    QCOMPARE(WalkPositions(doc), markup);
    // Feeding whole runs gives what feeding their characters one by one gives.
    QCOMPARE(FeedRuns(doc), markup);
}

QTEST_APPLESS_MAIN(TestForumMarkup)
#include "tst_forummarkup.moc"

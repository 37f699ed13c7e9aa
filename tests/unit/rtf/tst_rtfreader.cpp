// The reader on hand-written RTF: text, Unicode and code pages, destinations,
// character and paragraph attributes, lists, tables, and hostile input.
#include "KeptParts.h"
#include "RtfCodec.h"
#include "RtfTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QtTest>

namespace {

QString textOf(const QByteArray &rtf)
{
    QTextDocument doc;
    rtftest::load(rtf, doc);
    return rtftest::plainText(doc);
}

QByteArray wrap(const QByteArray &body, const QByteArray &header = QByteArray())
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0" + header + "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
           "{\\f1\\fnil\\fcharset178 Arabic Font;}{\\f2\\fnil\\fcharset2 Symbol;}}"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}\\pard " + body + "}";
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void readsText_data();
    void readsText();
    void decodesCodePages_data();
    void decodesCodePages();
    void readsCharacterAttributes();
    void readsColours();
    void readsWhatTheControlHasNoButtonFor_data();
    void readsWhatTheControlHasNoButtonFor();
    void keepsDocumentGroupsAndNamesWhatItDrops();
    void readsRightToLeftRunsWithAssociatedProperties();
    void scopesFormattingToGroups();
    void readsParagraphAttributes_data();
    void readsParagraphAttributes();
    void takesParagraphPropertiesAtItsEnd();
    void readsParagraphDirection_data();
    void readsParagraphDirection();
    void readsBulletsAndLists_data();
    void readsBulletsAndLists();
    void keepsLabelsNoListExplains();
    void readsDefaultAttributes();
    void survivesHostileInput_data();
    void survivesHostileInput();
    void survivesDeepNesting_data();
    void survivesDeepNesting();
    void replaysFuzzerFindings();
};

void TestRtfReader::readsText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("paragraphs") << wrap("one\\par two\\par three") << "one\ntwo\nthree";
    QTest::newRow("final par makes no empty paragraph") << wrap("one\\par ") << "one";
    QTest::newRow("empty paragraphs kept") << wrap("\\par one\\par\\par ") << "\none\n";
    QTest::newRow("line break inside a paragraph") << wrap("a\\line b") << "a\nb";
    QTest::newRow("tab") << wrap("a\\tab b") << "a\tb";
    QTest::newRow("backslash line end is a paragraph") << wrap("a\\\nb") << "a\nb";
    QTest::newRow("raw line ends ignored") << wrap("a\r\nb") << "ab";
    QTest::newRow("escaped specials") << wrap("\\\\ \\{ \\}") << "\\ { }";
    QTest::newRow("symbols") << wrap("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote")
                             << QString::fromUtf8("—–•‘’“”");
    QTest::newRow("special spaces and hyphens") << wrap("a\\~b\\_c\\-d")
                                                << QString::fromUtf8("a\u00A0b\u2011c\u00ADd");
    QTest::newRow("unicode with fallback") << wrap("\\u1575?x") << QString::fromUtf8("اx");
    QTest::newRow("negative unicode") << wrap("\\u-4064?") << QString(QChar(0xF020));
    QTest::newRow("surrogate pair") << wrap("\\u-10179?\\u-9047?") << QString::fromUtf8("💩");
    QTest::newRow("lone surrogates replaced") << wrap("a\\u-10179?b\\u-9047?c")
                                              << QString::fromUtf8("a\uFFFDb\uFFFDc");
    QTest::newRow("uc2 skips two hex bytes") << wrap("\\uc2\\u1575\\'c7\\'c7x") << QString::fromUtf8("اx");
    QTest::newRow("uc0 skips nothing") << wrap("\\uc0\\u1575 x") << QString::fromUtf8("اx");
    QTest::newRow("fallback skip stops at a group") << wrap("\\uc3\\u1575{x}y") << QString::fromUtf8("اxy");
    QTest::newRow("uc is restored after a group") << wrap("{\\uc2 a}\\u1575??x") << QString::fromUtf8("aا?x");
    QTest::newRow("fallback may be a symbol word") << wrap("\\u8220\\ldblquote x") << QString::fromUtf8("“x");
    QTest::newRow("a paragraph word ends the fallback") << wrap("\\u1575\\par x") << QString::fromUtf8("ا\nx");
    QTest::newRow("unknown word ignored") << wrap("\\foo a\\bar12 b") << "ab";
    QTest::newRow("unknown ignorable destination skipped") << wrap("a{\\*\\foo hidden {nested}}b") << "ab";
    QTest::newRow("stray star mid-group is no destination") << wrap("{\\b\\*\\cs7 kept}") << "kept";
    QTest::newRow("info skipped") << wrap("{\\info{\\title T}{\\author A}}x") << "x";
    QTest::newRow("stylesheet skipped") << wrap("{\\stylesheet{\\s0 Normal;}}x") << "x";
    QTest::newRow("picture is one position") << wrap("a{\\pict\\pngblip 89504e47}b") << "a\uFFFCb";
    QTest::newRow("binary picture with braces") << wrap("a{\\pict\\bin4 }}{\\}b") << "a\uFFFCb";
    // The cell holds the paragraph QTextDocument puts before a table, the nested table, then C.
    QTest::newRow("nested table read once, inside its cell")
        << wrap("\\intbl A\\cell\\intbl\\itap2 B\\nestcell{\\*\\nesttableprops\\trowd\\cellx9\\nestrow}"
                "{\\nonesttables B\\par}\\itap1 C\\cell\\row")
        << "\nA\t\nB\nC\n";
    QTest::newRow("object skipped, text after kept")
        << wrap("a{\\object{\\*\\objdata 0102}{\\result{\\pict 00}}}b") << "ab";
    QTest::newRow("field shows its result") << wrap("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} end")
                                            << "link end";
    QTest::newRow("field instruction without star") << wrap("{\\field{\\fldinst PAGE}{\\fldrslt 3}}") << "3";
    QTest::newRow("footnote skipped") << wrap("a{\\footnote note}b") << "ab";
    QTest::newRow("upr keeps the unicode form") << wrap("{\\upr{ansi}{\\*\\ud{\\u1575?}}}") << QString::fromUtf8("ا");
    // A table begins after a paragraph (an empty one at the start) and is followed by one.
    QTest::newRow("table cells as tabs, rows as paragraphs")
        << wrap("x\\par\\trowd\\cellx100\\cellx200\\intbl A\\cell B\\cell\\row\\intbl C\\cell\\cell\\row\\pard after")
        << "x\nA\tB\nC\t\nafter";
    QTest::newRow("empty first cell") << wrap("\\trowd\\cellx9\\cellx19\\intbl\\cell B\\cell\\row") << "\n\tB\n";
    QTest::newRow("rows of another shape stay in the table")
        << wrap("\\trowd\\cellx9\\cellx19\\intbl A\\cell B\\cell\\row\\trowd\\cellx9\\intbl C\\cell\\row")
        << "\nA\tB\nC\n";
    QTest::newRow("text after the last row without pard follows the table")
        << wrap("\\trowd\\cellx9\\cellx19\\intbl A\\cell B\\cell\\row after\\par more") << "\nA\tB\nafter\nmore";
    QTest::newRow("intbl after the row makes another row")
        << wrap("\\trowd\\cellx9\\intbl A\\cell\\row\\intbl C\\cell\\row\\pard after") << "\nA\nC\nafter";
    QTest::newRow("more cells than the definition")
        << wrap("\\trowd\\cellx9\\intbl A\\cell B\\cell\\row") << "\nA\tB\n";
    QTest::newRow("a style's \\intbl puts no text in a table")
        << QByteArray("{\\rtf1{\\stylesheet{\\s0\\cellx8640\\pard\\intbl x\\cell Normal;}}Text\\par}") << "Text";
    QTest::newRow("text after the final brace dropped") << QByteArray("{\\rtf1 a}b{c}") << "a";
    QTest::newRow("hidden text is kept") << wrap("a{\\v b}c") << "abc";
    QTest::newRow("page break inside a paragraph splits it") << wrap("a\\page b") << "a\nb";
    QTest::newRow("page break after a paragraph adds nothing") << wrap("a\\par\\page b") << "a\nb";
    QTest::newRow("urtf text is UTF-8") << QByteArray("{\\urtf1 \xd8\xa7\xd9\x84}") << QString::fromUtf8("ال");
}

void TestRtfReader::readsText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::decodesCodePages_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    auto font = [](int charset, const QByteArray &bytes) {
        return "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f5\\fcharset" + QByteArray::number(charset)
             + " X;}}\\f5 " + bytes + "}";
    };
    QTest::newRow("ansicpg 1256") << QByteArray("{\\rtf1\\ansi\\ansicpg1256 \\'c7\\'e1}") << QString::fromUtf8("ال");
    QTest::newRow("Arabic 178 in a 1252 file") << font(178, "\\'e3\\'d1\\'d3\\'ed") << QString::fromUtf8("مرسي");
    QTest::newRow("Greek 161") << font(161, "\\'e1\\'e2") << QString::fromUtf8("αβ");
    QTest::newRow("Cyrillic 204") << font(204, "\\'e0\\'e1") << QString::fromUtf8("аб");
    QTest::newRow("Central European 238") << font(238, "\\'9a\\'e8") << QString::fromUtf8("šč");
    QTest::newRow("Hebrew 177") << font(177, "\\'e0") << QString::fromUtf8("א");
    QTest::newRow("Turkish 162") << font(162, "\\'fd\\'f0") << QString::fromUtf8("ığ");
    QTest::newRow("Baltic 186") << font(186, "\\'e0") << QString::fromUtf8("ą");
    QTest::newRow("Vietnamese 163") << font(163, "\\'f5") << QString::fromUtf8("ơ");
    QTest::newRow("Thai 222") << font(222, "\\'a1") << QString::fromUtf8("ก");
    QTest::newRow("symbol bytes kept, bullet mapped") << font(2, "\\'b7a") << QString::fromUtf8("•a");
    QTest::newRow("Shift-JIS pairs") << font(128, "\\'82\\'a0\\'82\\'a2") << QString::fromUtf8("あい");
    QTest::newRow("Shift-JIS trail byte below 0x80") << font(128, "\\'83\\'5d") << QString::fromUtf8("ゾ");
    QTest::newRow("GBK") << font(134, "\\'c4\\'e3\\'ba\\'c3") << QString::fromUtf8("你好");
    QTest::newRow("raw 8-bit bytes in text") << font(204, "\xe0\xe1") << QString::fromUtf8("аб");
    QTest::newRow("font change mid-word") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset161 G;}}"
                                                      "\\f0\\'e1\\f1\\'e1\\f0\\'e1}")
                                          << QString::fromUtf8("áαá");
    QTest::newRow("escaped backslash is no won sign in Korean") << font(130, "a\\\\b\\{") << QStringLiteral("a\\b{");
    QTest::newRow("font charset wins over ansicpg") << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 A;}}\\f0\\'e1}")
                                                    << QString::fromUtf8("á");
    QTest::newRow("default charset follows ansicpg") << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 A;}}\\f0\\'e1}")
                                                     << QString::fromUtf8("б");
    QTest::newRow("Outlook's negative UTF-8 page") << QByteArray("{\\rtf1\\ansi\\ansicpg-535 \\'d8\\'a7}") << QString::fromUtf8("ا");
    QTest::newRow("undefined 1252 byte kept") << QByteArray("{\\rtf1\\ansi \\'81}") << QString(QChar(0x81));
    QTest::newRow("unknown code page falls back to 1252") << QByteArray("{\\rtf1\\ansi\\ansicpg99999 \\'e9}") << QString::fromUtf8("é");
    const QByteArray twoFonts = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Latin;}{\\f1\\fcharset177 Hebrew;}"
                                "{\\f2 Plain;}{\\f3\\fcharset178 Naskh;}}";
    QTest::newRow("right-to-left run reads in its font's page, not the associated one")
        << twoFonts + "{\\rtlch\\af0\\f1 \\'f9\\'ec}}" << QString::fromUtf8("של");
    QTest::newRow("associated page when the run's font names none")
        << twoFonts + "{\\rtlch\\af3\\f2 \\'c7\\'e1}}" << QString::fromUtf8("ال");
    QTest::newRow("associated font ignored left to right") << twoFonts + "{\\af3\\f2 \\'e1}}" << QString::fromUtf8("á");
    QTest::newRow("code page of a font name suffix")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial CE;}{\\f1 Arial Cyr;}}\\f0\\'9a\\f1\\'e1}") << QString::fromUtf8("šб");
    QTest::newRow("cpg in the font table and in the text")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg1253 G;}{\\f1 A;}}\\f0\\'e1\\f1\\cpg1251\\'e1\\f1\\'e1}")
        << QString::fromUtf8("αбá");
    QTest::newRow("invalid hex escape as a fallback") << QByteArray("{\\rtf1 x\\u345\\'3?x}") << QString::fromUtf8("xřx");
}

void TestRtfReader::decodesCodePages()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::readsCharacterAttributes()
{
    QTextDocument doc;
    rtftest::load(wrap("n\\b b\\b0\\i i\\i0\\ul u\\ulnone\\strike s\\strike0\\uldb d\\ul0\\fs21 h\\f1\\fs40 a\\plain p"), doc);
    QCOMPARE(rtftest::describe(doc),
             QStringLiteral("¶ a1 li0 fi0 ri0 list0\n"
                            "  \"n\" Arial|12|auto||c0\n"
                            "  \"b\" Arial|12|auto|b|c0\n"
                            "  \"i\" Arial|12|auto|i|c0\n"
                            "  \"u\" Arial|12|auto|u|c0\n"
                            "  \"s\" Arial|12|auto|s|c0\n"
                            "  \"d\" Arial|12|auto|u|c0\n"
                            "  \"h\" Arial|10.5|auto||c0\n"
                            "  \"a\" Arabic Font|20|auto||c178\n"
                            "  \"p\" Arial|12|auto||c0\n"));
}

void TestRtfReader::readsColours()
{
    QTextDocument doc;
    rtftest::load(wrap("a\\cf1 r\\cf0 a\\cf2 k\\cf9 x"), doc);
    QCOMPARE(rtftest::describe(doc),
             QStringLiteral("¶ a1 li0 fi0 ri0 list0\n"
                            "  \"a\" Arial|12|auto||c0\n"
                            "  \"r\" Arial|12|#ff0000||c0\n"
                            "  \"a\" Arial|12|auto||c0\n"
                            "  \"k\" Arial|12|#000000||c0\n"
                            "  \"x\" Arial|12|auto||c0\n"));
    // Without an empty first entry, \cf0 is the first colour.
    QTextDocument first;
    rtftest::load("{\\rtf1{\\colortbl\\red0\\green0\\blue255;}\\cf0 x}", first);
    QCOMPARE(first.begin().begin().fragment().charFormat().foreground().color(), QColor(0, 0, 255));
}

void TestRtfReader::readsRightToLeftRunsWithAssociatedProperties()
{
    // LibreOffice and Word give Arabic its face through \af after \rtlch.
    QTextDocument doc;
    rtftest::load("{\\rtf1{\\fonttbl{\\f0\\fcharset0 Latin;}{\\f1\\fcharset178 Naskh;}}\\f0\\fs24\\b0"
                  "{\\ltrch \\rtlch\\af1\\afs32\\ab \\u1575?\\u1604?}{\\rtlch\\af1 \\ltrch y}\\rtlch z\\plain w}",
                  doc);
    QCOMPARE(rtftest::describe(doc),
             QString::fromUtf8("¶ a1 li0 fi0 ri0 list0\n"
                               "  \"ال\" Naskh|16|auto|b|c178\n"
                               "  \"yzw\" Latin|12|auto||c0\n")); // z: \\rtlch without \\af keeps \\f
}

// Raised and lowered text, backgrounds, links and fields, spacing, tab stops, page
// breaks and paragraph styles: each row's lines must all be in the description.
void TestRtfReader::readsWhatTheControlHasNoButtonFor_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("super, sub, up, dn")
        << wrap("a{\\super b}{\\sub c}{\\up6 d}{\\dn4 e}{\\super\\nosupersub f}")
        << QStringList{"\"b\" Arial|12|auto||c0|v1/0", "\"c\" Arial|12|auto||c0|v2/0", "\"d\" Arial|12|auto||c0|v1/6",
                       "\"e\" Arial|12|auto||c0|v2/-4", "\"f\" Arial|12|auto||c0\n"};
    QTest::newRow("highlight, background, shading")
        << wrap("{\\highlight1 h}{\\cb1 c}{\\chcbpat1 p}{\\highlight1\\highlight0 n}")
        << QStringList{"\"h\" Arial|12|auto||c0|bg#ff0000/1", "\"c\" Arial|12|auto||c0|bg#ff0000/2",
                       "\"p\" Arial|12|auto||c0|bg#ff0000/3", "\"n\" Arial|12|auto||c0\n"};
    QTest::newRow("hyperlink and other field")
        << wrap("{\\field{\\*\\fldinst {HYPERLINK \"http://x/a\\\\\\\\b\" \\\\l \"part\"}}{\\fldrslt {\\cf1 L}}}"
                "{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}}")
        << QStringList{"\"L\" Arial|12|#ff0000|u|c0|link http://x/a\\b#part", "\"3\" Arial|12|auto||c0|field PAGE"};
    QTest::newRow("spacing and line spacing")
        << wrap("\\sb120\\sa240\\sl360\\slmult1 a\\par\\pard\\sl-300 b\\par\\pard\\sl300\\slmult0 c")
        << QStringList{"list0 sb8 sa16 line1/150\n", "list0 line2/20\n", "list0 line3/20\n"};
    QTest::newRow("tab stops with kinds and leaders")
        << wrap("\\tqr\\tldot\\tx2000\\tb3000\\tqdec\\tx4000 a")
        << QStringList{"list0 tab2000/1/1 tab3000/4/0 tab4000/3/0\n"};
    QTest::newRow("page breaks and keep")
        << wrap("\\pagebb\\keep\\keepn a\\par\\pard b\\page c")
        << QStringList{"list0 break1 keep keepn\n  \"a\"", "list0\n  \"b\"", "list0 break1\n  \"c\""};
    QTest::newRow("paragraph styles give what the paragraph does not")
        << wrap("\\pard\\s1 T\\par\\pard\\qr\\s1 R\\par\\pard\\plain N",
                "{\\stylesheet{\\s0\\fs20 Normal;}{\\s1\\qc\\b\\fs32\\sbasedon0 Heading;}}")
        << QStringList{"¶ a4 li0 fi0 ri0 list0\n  \"T\" Arial|16|auto|b|c0", "¶ a2 li0 fi0 ri0 list0\n  \"R\" Arial|16|auto|b|c0",
                       "\"N\" Arial|10|auto||c0"};
}

void TestRtfReader::readsWhatTheControlHasNoButtonFor()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, lines);
    QTextDocument doc;
    rtftest::load(rtf, doc);
    const QString description = rtftest::describe(doc);
    for (const QString &line : lines)
        QVERIFY2(description.contains(line), qPrintable(line + QStringLiteral(" not in\n") + description));
}

// Information, style sheet, header and page set-up come back in the written file with
// the fonts and colours they name; objects, footnotes and drawings are named.
void TestRtfReader::keepsDocumentGroupsAndNamesWhatItDrops()
{
    const QByteArray original = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f7\\fcharset177 David;}}"
                                "{\\colortbl;\\red1\\green2\\blue3;\\red4\\green5\\blue6;}"
                                "{\\stylesheet{\\s0\\f7\\cf2 Normal;}}{\\info{\\title Letter}}\\paperw11906\\margl1134 "
                                "{\\header \\pard\\f7\\cf2 Head\\par}\\pard\\f0 text{\\footnote x}{\\object y}{\\shp z}"
                                "{\\footnote again}\\par}";
    QTextDocument doc;
    rtftest::load(original, doc);
    QCOMPARE(rtftest::plainText(doc), QStringLiteral("text"));
    QCOMPARE(rtf::keptParts(doc).dropped, (QStringList{"footnote", "OLE object", "drawing"}));
    const QByteArray written = rtf::writeRtf(doc);
    QVERIFY2(written.contains("{\\info{\\title Letter}}"), written);
    QVERIFY2(written.contains("\\paperw11906\\margl1134"), written);
    // Font 7 and colour 2 of the original are David and 4/5/6 of the new tables.
    static const QRegularExpression head(QStringLiteral("\\{\\\\header \\\\pard\\\\f(\\d+)\\\\cf(\\d+) Head"));
    const QRegularExpressionMatch m = head.match(QString::fromLatin1(written));
    QVERIFY2(m.hasMatch(), written);
    QVERIFY2(written.contains("{\\f" + m.captured(1).toLatin1() + "\\fnil\\fcharset177 David;}"), written);
    const QByteArray colours = written.mid(written.indexOf("{\\colortbl"));
    QCOMPARE(colours.left(colours.indexOf('}')).split(';').value(m.captured(2).toInt()), QByteArray("\\red4\\green5\\blue6"));
    QVERIFY2(written.contains("{\\stylesheet{\\s0\\f" + m.captured(1).toLatin1() + "\\cf" + m.captured(2).toLatin1()), written);
    // Read again, the parts are still there, and nothing is named as dropped any more.
    QTextDocument again;
    rtftest::load(written, again);
    QCOMPARE(rtf::keptParts(again).groups.size(), 3);
    QVERIFY(rtf::keptParts(again).dropped.isEmpty());
}

void TestRtfReader::scopesFormattingToGroups()
{
    QTextDocument doc;
    rtftest::load(wrap("a{\\b\\i b{\\ul c}d}e"), doc);
    QCOMPARE(rtftest::describe(doc),
             QStringLiteral("¶ a1 li0 fi0 ri0 list0\n"
                            "  \"a\" Arial|12|auto||c0\n"
                            "  \"b\" Arial|12|auto|bi|c0\n"
                            "  \"c\" Arial|12|auto|biu|c0\n"
                            "  \"d\" Arial|12|auto|bi|c0\n"
                            "  \"e\" Arial|12|auto||c0\n"));
}

void TestRtfReader::readsParagraphAttributes_data()
{
    QTest::addColumn<QByteArray>("props");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<qreal>("left");
    QTest::addColumn<qreal>("indent");
    QTest::addColumn<qreal>("right");
    QTest::newRow("left by default") << QByteArray("") << int(Qt::AlignLeft) << 0.0 << 0.0 << 0.0;
    QTest::newRow("ql") << QByteArray("\\qr\\ql") << int(Qt::AlignLeft) << 0.0 << 0.0 << 0.0;
    QTest::newRow("qr") << QByteArray("\\qr") << int(Qt::AlignRight) << 0.0 << 0.0 << 0.0;
    QTest::newRow("qc") << QByteArray("\\qc") << int(Qt::AlignHCenter) << 0.0 << 0.0 << 0.0;
    QTest::newRow("qj") << QByteArray("\\qj") << int(Qt::AlignJustify) << 0.0 << 0.0 << 0.0;
    // 20 twips = 1 point = 4/3 pixels.
    QTest::newRow("hanging indent") << QByteArray("\\fi-360\\li720") << int(Qt::AlignLeft) << 48.0 << -24.0 << 0.0;
    QTest::newRow("right indent") << QByteArray("\\ri300") << int(Qt::AlignLeft) << 0.0 << 0.0 << 20.0;
    QTest::newRow("fractional pixels") << QByteArray("\\li10\\fi7") << int(Qt::AlignLeft) << 10 / 15.0 << 7 / 15.0 << 0.0;
    QTest::newRow("pard resets") << QByteArray("\\qc\\li100\\pard") << int(Qt::AlignLeft) << 0.0 << 0.0 << 0.0;
    QTest::newRow("absurd indent clamped") << QByteArray("\\li2147483647") << int(Qt::AlignLeft) << 126720 / 15.0 << 0.0 << 0.0;
}

void TestRtfReader::readsParagraphAttributes()
{
    QFETCH(QByteArray, props);
    QFETCH(int, alignment);
    QFETCH(qreal, left);
    QFETCH(qreal, indent);
    QFETCH(qreal, right);
    QTextDocument doc;
    rtftest::load(wrap(props + " text\\par"), doc);
    const QTextBlockFormat bf = doc.begin().blockFormat();
    QCOMPARE(int(bf.alignment()), alignment);
    QCOMPARE(bf.leftMargin(), left);
    QCOMPARE(bf.textIndent(), indent);
    QCOMPARE(bf.rightMargin(), right);
}

void TestRtfReader::takesParagraphPropertiesAtItsEnd()
{
    // WordPad: a \pard after a \line applies to the paragraph the \line is in.
    QTextDocument doc;
    rtftest::load(wrap("first\\line\\pard\\qc second\\par\\pard third\\par"), doc);
    QCOMPARE(doc.blockCount(), 2);
    QCOMPARE(doc.begin().blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(doc.begin().next().blockFormat().alignment(), Qt::AlignLeft);
}

void TestRtfReader::readsParagraphDirection_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("props");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<qreal>("start"); // left margin: the start side
    QTest::addColumn<qreal>("end");
    const QByteArray none;
    QTest::newRow("left to right by default") << none << QByteArray("") << false << int(Qt::AlignLeft) << 0.0 << 0.0;
    QTest::newRow("rtlpar, alignment stays physical") << none << QByteArray("\\rtlpar") << true << int(Qt::AlignLeft) << 0.0 << 0.0;
    QTest::newRow("ltrpar after rtlpar") << none << QByteArray("\\rtlpar\\ltrpar") << false << int(Qt::AlignLeft) << 0.0 << 0.0;
    QTest::newRow("pard resets it") << none << QByteArray("\\rtlpar\\qr\\pard") << false << int(Qt::AlignLeft) << 0.0 << 0.0;
    QTest::newRow("as LibreOffice writes it") << none << QByteArray("\\ql\\li1440\\ri720\\lin1440\\rin720\\fi360\\rtlpar")
                                              << true << int(Qt::AlignLeft) << 96.0 << 48.0;
    QTest::newRow("lin wins over a later li") << none << QByteArray("\\rtlpar\\qr\\lin720\\li0\\ri300\\rin0")
                                              << true << int(Qt::AlignRight) << 48.0 << 0.0;
    QTest::newRow("lin wins over an earlier li") << none << QByteArray("\\rtlpar\\li1440\\lin0") << true
                                                 << int(Qt::AlignLeft) << 0.0 << 0.0;
    QTest::newRow("paragraph defaults carry it through pard")
        << QByteArray("{\\*\\defpap \\qr\\rtlpar\\li200}") << QByteArray("\\pard") << true << int(Qt::AlignRight)
        << 200 / 15.0 << 0.0;
}

// \rtlpar and the start/end indents: as LibreOffice reads them.
void TestRtfReader::readsParagraphDirection()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, props);
    QFETCH(bool, rightToLeft);
    QFETCH(int, alignment);
    QFETCH(qreal, start);
    QFETCH(qreal, end);
    QTextDocument doc;
    rtftest::load(wrap(props + " text\\par next", header), doc);
    const QTextBlockFormat bf = doc.begin().blockFormat();
    QCOMPARE(bf.layoutDirection() == Qt::RightToLeft, rightToLeft);
    QCOMPARE(int(bf.alignment()), alignment);
    QCOMPARE(bf.leftMargin(), start);
    QCOMPARE(bf.rightMargin(), end);
    // The paragraph after it keeps what the group state says: the same properties.
    QCOMPARE(doc.begin().next().blockFormat().layoutDirection() == Qt::RightToLeft, rightToLeft);
}

void TestRtfReader::readsBulletsAndLists_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lists"); // per paragraph: list style (0 none) and list number
    const QByteArray richEditBullet = "{\\pntext\\f2\\'B7\\tab}";
    QTest::newRow("rich-edit bullets")
        << wrap("\\pard" + richEditBullet + "{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720 one\\par "
                + richEditBullet + "two\\par\\pard after\\par")
        << "one\ntwo\nafter" << "-1:1 -1:1 0:0";
    QTest::newRow("rich-edit numbering")
        << wrap("\\pard{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}one\\par"
                "{\\pntext\\f0 2.\\tab}two\\par")
        << "one\ntwo" << "-4:1 -4:1";
    QTest::newRow("two lists apart")
        << wrap("\\pard" + richEditBullet + "{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}a\\par\\pard b\\par\\pard" + richEditBullet
                + "{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}c\\par")
        << "a\nb\nc" << "-1:1 0:0 -1:2";
    const QByteArray wordTables = "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}"
                                  "{\\levelnumbers;}}\\listid100}{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}"
                                  "{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc4}\\listid200}}"
                                  "{\\*\\listoverridetable{\\listoverride\\listid100\\listoverridecount0\\ls1}"
                                  "{\\listoverride\\listid200\\listoverridecount0\\ls2}}";
    QTest::newRow("Word bullets and numbers")
        << wrap(wordTables + "{\\listtext\\f2\\'B7\\tab}\\ls1 a\\par{\\listtext 1.\\tab}\\ls2 b\\par"
                "{\\listtext a.\\tab}\\ls2\\ilvl1 c\\par{\\listtext 2.\\tab}\\ls2\\ilvl0 d\\par\\pard e\\par")
        << "a\nb\nc\nd\ne" << "-1:1 -4:2 -5:3 -4:2 0:0";
    QTest::newRow("list numbered from zero (OpenOffice)")
        << wrap("{\\*\\listtable{\\list{\\listlevel\\levelnfc0}\\listid7}}{\\*\\listoverridetable{\\listoverride\\listid7\\ls0}}"
                "{\\listtext 1.\\tab}\\ls0 a\\par")
        << "a" << "-4:1";
    QTest::newRow("override of a missing list")
        << wrap("{\\*\\listoverridetable{\\listoverride\\listid99\\ls3}}{\\listtext 1.\\tab}\\ls3 a\\par")
        << "a" << "-4:1";
}

void TestRtfReader::readsBulletsAndLists()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(QString, lists);
    QTextDocument doc;
    rtftest::load(rtf, doc);
    QCOMPARE(rtftest::plainText(doc), text);
    QList<const QTextList *> seen;
    QStringList got;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextList *list = block.textList();
        if (list && !seen.contains(list))
            seen << list;
        got << QStringLiteral("%1:%2").arg(list ? int(list->format().style()) : 0).arg(seen.indexOf(list) + 1);
    }
    QCOMPARE(got.join(u' '), lists);
}

void TestRtfReader::keepsLabelsNoListExplains()
{
    // A reader that renders neither \pn nor \ls must keep the label text.
    QCOMPARE(textOf(wrap("{\\pntext 1.\\tab}one\\par{\\listtext\\f2\\'B7\\tab}two\\par")),
             QString::fromUtf8("1.\tone\n•\ttwo"));
}

void TestRtfReader::readsDefaultAttributes()
{
    QTextDocument doc;
    QTextCharFormat def;
    def.setProperty(QTextFormat::UserProperty + 50, 1); // must be replaced, not merged
    rtftest::load(wrap("text", "") + "", doc, &def);
    QCOMPARE(def.property(QTextFormat::UserProperty + 50).toInt(), 1); // no default named: untouched

    rtftest::load("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset178 Naskh;}}{\\colortbl ;\\red1\\green2\\blue3;}"
                  "{\\*\\kalverodefault\\f1\\fs29\\cf1\\b\\i0\\ul}x}",
                  doc, &def);
    QCOMPARE(def.fontFamilies().toStringList(), QStringList{QStringLiteral("Naskh")});
    QCOMPARE(def.fontPointSize(), 14.5);
    QCOMPARE(def.foreground().color(), QColor(1, 2, 3));
    QVERIFY(def.fontWeight() >= QFont::Bold);
    QVERIFY(!def.fontItalic());
    QVERIFY(def.fontUnderline());
    QCOMPARE(def.property(rtf::CharsetProperty).toInt(), 178);
    QVERIFY(!def.hasProperty(QTextFormat::UserProperty + 50));
    QCOMPARE(rtftest::plainText(doc), QStringLiteral("x")); // the group is no text
}

void TestRtfReader::survivesHostileInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 a{\\b b{\\i c") << "abc";
    QTest::newRow("extra closing brace") << QByteArray("{\\rtf1 a}}}") << "a";
    QTest::newRow("closing brace before anything") << QByteArray("{\\rtf1 }") << "";
    QTest::newRow("truncated inside a word") << QByteArray("{\\rtf1 a\\pa") << "a";
    QTest::newRow("truncated inside hex") << QByteArray("{\\rtf1 a\\'e") << QString::fromUtf8("a\u000E");
    QTest::newRow("truncated inside a skipped group") << QByteArray("{\\rtf1 a{\\*\\x b") << "a";
    QTest::newRow("absurd bin") << QByteArray("{\\rtf1 a\\bin2147483647 xyz}") << "a";
    QTest::newRow("absurd negative bin") << QByteArray("{\\rtf1 a\\bin-2147483648 b}") << "ab";
    QTest::newRow("absurd uc keeps the text after the skip")
        << QByteArray("{\\rtf1\\uc2147483647\\u1575 abcdefghijklmnopqrstuvwxyz}") << QString::fromUtf8("اqrstuvwxyz");
    QTest::newRow("absurd unicode value") << QByteArray("{\\rtf1\\uc0\\u99999999 a}") << QString::fromUtf8("\uFFFDa");
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b\\'00c}", 17) << "abc";
    QTest::newRow("unicode CR LF and paragraph separator")
        << QByteArray("{\\rtf1\\uc0 a\\u13\\u10 b\\u8233 c\\u65532 d}") << QString::fromUtf8("ab\nc\uFFFDd");
    QTest::newRow("absurd font size") << QByteArray("{\\rtf1\\fs2147483647 a\\fs-5 b}") << "ab";
    QTest::newRow("font table without entries") << QByteArray("{\\rtf1{\\fonttbl;;}\\f9 a}") << "a";
    QTest::newRow("colour index out of range") << QByteArray("{\\rtf1{\\colortbl;}\\cf2147483647 a}") << "a";
    QTest::newRow("header only") << QByteArray("{\\rtf") << "";
    QTest::newRow("rtf keyword in the middle") << QByteArray("{\\rtf1 a{\\rtf1 b}c}") << "abc";
}

void TestRtfReader::survivesHostileInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(textOf(rtf), text);
}

void TestRtfReader::survivesDeepNesting_data()
{
    QTest::addColumn<int>("depth");
    QTest::newRow("100 000 groups") << 100000;
    QTest::newRow("beyond the state limit") << 300000;
}

void TestRtfReader::survivesDeepNesting()
{
    QFETCH(int, depth);
    QByteArray rtf = "{\\rtf1 a";
    rtf += QByteArray(depth, '{') + "\\b deep" + QByteArray(depth, '}') + "b}";
    QTextDocument doc;
    rtftest::load(rtf, doc);
    QCOMPARE(rtftest::plainText(doc), QStringLiteral("adeepb"));
    // Formatting inside the deepest group applied and undone again.
    QTextBlock::iterator it = doc.begin().begin();
    QVERIFY(it.fragment().charFormat().fontWeight() < QFont::Bold);
    ++it;
    QCOMPARE(it.fragment().text(), QStringLiteral("deep"));
    QVERIFY(it.fragment().charFormat().fontWeight() >= QFont::Bold);
    ++it;
    QVERIFY(it.fragment().charFormat().fontWeight() < QFont::Bold);

    // Unclosed: the file ends that deep.
    QTextDocument open;
    rtftest::load("{\\rtf1 " + QByteArray(depth, '{') + "x", open);
    QCOMPARE(rtftest::plainText(open), QStringLiteral("x"));
}

void TestRtfReader::replaysFuzzerFindings()
{
    // Inputs the fuzzer found: each loads, and what was read writes and reads back
    // to the same text.
    const QDir dir(QStringLiteral(KALVERO_RTF_TEST_DATA "/fuzz-regressions"));
    const QStringList files = dir.entryList(QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files) {
        QByteArray data = rtftest::testData(QStringLiteral("fuzz-regressions/") + name);
        data = data.startsWith('!') ? data.mid(1) : "{\\rtf1 " + data;
        QTextDocument doc;
        QTextCharFormat def;
        rtf::loadDocument(data, &doc, &def);
        QTextDocument again;
        rtf::loadDocument(rtf::writeRtf(doc, def), &again);
        QVERIFY2(again.toPlainText() == doc.toPlainText(), qPrintable(name));
    }
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"

// What the writer puts in the file: the rich-edit dialect other programs read.
#include "RtfCodec.h"
#include "RtfTestSupport.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QRegularExpression>
#include <QtTest>

namespace {

QTextCharFormat format(const QString &family, int charset = 0)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(12);
    f.setProperty(rtf::AutoColorProperty, true);
    f.setProperty(rtf::CharsetProperty, charset);
    return f;
}

QByteArray writeText(const QString &text)
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(text, format(QStringLiteral("Arial")));
    return rtf::writeRtf(doc, format(QStringLiteral("Arial")));
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesTheRichEditHeader();
    void escapesText_data();
    void escapesText();
    void writesOnlyAscii();
    void writesBulletsTheRichEditWay();
    void writesFormattingAsToggles();
    void writesRightToLeftParagraphsAsLibreOffice_data();
    void writesRightToLeftParagraphsAsLibreOffice();
};

void TestRtfWriter::writesTheRichEditHeader()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("a"), format(QStringLiteral("Arial")));
    QTextCharFormat red = format(QString::fromUtf8("Noto Naskh Arabic"), 178);
    red.clearProperty(rtf::AutoColorProperty);
    red.setForeground(QColor(255, 0, 0));
    cursor.insertText(QStringLiteral("b"), red);
    const QByteArray out = rtf::writeRtf(doc, format(QStringLiteral("Arial")));
    QVERIFY2(out.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"), out);
    QVERIFY2(out.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset178 Noto Naskh Arabic;}}"), out);
    QVERIFY2(out.contains("{\\colortbl ;\\red255\\green0\\blue0;}"), out);
    QVERIFY2(out.contains("\\uc1"), out);
    QVERIFY2(out.endsWith("\\par\r\n}"), out);
    // Braces balance.
    QCOMPARE(out.count('{') - out.count("\\{"), out.count('}') - out.count("\\}"));
}

void TestRtfWriter::escapesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("specials") << QStringLiteral("a\\b{c}") << QByteArray("\\fs24 a\\\\b\\{c\\}\\par");
    QTest::newRow("tab and line") << QStringLiteral("a\tb") + QChar(0x2028) + QStringLiteral("c") << QByteArray("\\fs24 a\\tab b\\line c\\par");
    QTest::newRow("Arabic, with associated properties")
        << QString::fromUtf8("ا") << QByteArray("\\rtlch\\af0\\afs24\\ab0\\ai0\\fs24\\u1575\\'3f\\par");
    QTest::newRow("Coptic positive") << QString::fromUtf8("ⲁ") << QByteArray("\\fs24\\u11393\\'3f\\par");
    QTest::newRow("above 32767 negative") << QString(QChar(0xF0B7)) << QByteArray("\\fs24\\u-3913\\'3f\\par");
    QTest::newRow("astral as a surrogate pair") << QString::fromUtf8("😀") << QByteArray("\\fs24\\u-10179\\'3f\\u-8704\\'3f\\par");
    QTest::newRow("digit after a control word") << QStringLiteral("\t1") << QByteArray("\\fs24\\tab 1\\par");
    QTest::newRow("space after a control word") << QStringLiteral("\t ") << QByteArray("\\fs24\\tab  \\par");
}

void TestRtfWriter::escapesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, body);
    const QByteArray out = writeText(text);
    QVERIFY2(out.contains("\\viewkind4\\uc1\\pard" + body), out);
}

void TestRtfWriter::writesOnlyAscii()
{
    const QByteArray out = writeText(QString::fromUtf8("ⲡⲓⲛⲟⲩϯ السلام é 中文 😀"));
    for (const char c : out)
        QVERIFY2(uchar(c) < 0x80, out);
    // \'hh only as the "?" after \uN, where readers that take a literal "?" for the
    // number's delimiter would eat the next character.
    QCOMPARE(out.count("\\'"), out.count("\\'3f"));
    static const QRegularExpression unicodeEscape(QStringLiteral("\\\\u-?[0-9]+\\\\'3f"));
    QCOMPARE(QString::fromLatin1(out).count(unicodeEscape), out.count("\\'3f"));
}

void TestRtfWriter::writesBulletsTheRichEditWay()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("one"), format(QStringLiteral("Arial")));
    QTextBlockFormat indent;
    indent.setLeftMargin(48);
    indent.setTextIndent(-24);
    cursor.setBlockFormat(indent);
    QTextList *list = cursor.createList(QTextListFormat::ListDisc);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("two"));
    QCOMPARE(cursor.block().textList(), list);
    const QByteArray out = rtf::writeRtf(doc, format(QStringLiteral("Arial")));
    QVERIFY2(out.contains("{\\f1\\fnil\\fcharset2 Symbol;}"), out);
    QVERIFY2(out.contains("\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720\\fs24 one\\par\r\n"
                          "{\\pntext\\f1\\'B7\\tab}two\\par"),
             out);
}

void TestRtfWriter::writesFormattingAsToggles()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextCharFormat f = format(QStringLiteral("Arial"));
    cursor.insertText(QStringLiteral("n"), f);
    f.setFontWeight(QFont::Bold);
    f.setFontPointSize(10.5);
    cursor.insertText(QStringLiteral("b"), f);
    f.setFontWeight(QFont::Normal);
    f.setFontUnderline(true);
    f.setFontStrikeOut(true);
    f.setFontItalic(true);
    cursor.insertText(QStringLiteral("u"), f);
    f = format(QStringLiteral("Arial"));
    cursor.insertText(QStringLiteral("n"), f);
    const QByteArray out = rtf::writeRtf(doc, format(QStringLiteral("Arial")));
    QVERIFY2(out.contains("\\pard\\fs24 n\\fs21\\b b\\b0\\i\\ul\\strike u\\fs24\\i0\\ulnone\\strike0 n\\par"), out);
}

void TestRtfWriter::writesRightToLeftParagraphsAsLibreOffice_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<qreal>("start");
    QTest::addColumn<qreal>("first");
    QTest::addColumn<qreal>("end");
    QTest::addColumn<QByteArray>("props");
    QTest::newRow("aligned left: ql said") << int(Qt::AlignLeft) << 0.0 << 0.0 << 0.0 << QByteArray("\\rtlpar\\ql");
    QTest::newRow("aligned right") << int(Qt::AlignRight) << 0.0 << 0.0 << 0.0 << QByteArray("\\rtlpar\\qr");
    QTest::newRow("indents on both sides") << int(Qt::AlignRight) << 96.0 << 24.0 << 48.0
                                           << QByteArray("\\rtlpar\\qr\\fi360\\li1440\\ri720\\lin1440\\rin720");
    QTest::newRow("centred, start indent only") << int(Qt::AlignHCenter) << 48.0 << 0.0 << 0.0
                                                << QByteArray("\\rtlpar\\qc\\li720\\lin720");
}

// \rtlpar with physical alignment, \li and \fi on the start side, \lin and \rin beside
// them; the paragraph after it, left to right, starts afresh with \pard.
void TestRtfWriter::writesRightToLeftParagraphsAsLibreOffice()
{
    QFETCH(int, alignment);
    QFETCH(qreal, start);
    QFETCH(qreal, first);
    QFETCH(qreal, end);
    QFETCH(QByteArray, props);
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextBlockFormat rtl;
    rtl.setLayoutDirection(Qt::RightToLeft);
    rtl.setAlignment(Qt::Alignment(alignment));
    rtl.setLeftMargin(start);
    rtl.setTextIndent(first);
    rtl.setRightMargin(end);
    cursor.setBlockFormat(rtl);
    cursor.insertText(QStringLiteral("a"), format(QStringLiteral("Arial")));
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QStringLiteral("b"));
    const QByteArray out = rtf::writeRtf(doc, format(QStringLiteral("Arial")));
    QVERIFY2(out.contains("\\pard" + props + "\\fs24 a\\par\r\n\\pard b\\par"), out);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"

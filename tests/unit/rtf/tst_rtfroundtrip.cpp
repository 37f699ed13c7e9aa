// Save then load gives back everything the control can hold: text of all of
// Unicode, runs with every attribute, paragraphs with every attribute, bullets,
// empty and trailing empty paragraphs, and the default attributes.
#include "RtfCodec.h"
#include "RtfTestSupport.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QtTest>

namespace {

const QStringList kFamilies = {QStringLiteral("Arial"), QStringLiteral("ArialCoptic"), QStringLiteral("Noto Naskh Arabic"),
                               QStringLiteral("Times New Roman"), QString::fromUtf8("Schrift äöü"),
                               QStringLiteral("Brace{}\\Font")};
const int kCharsets[] = {0, 1, 2, 161, 178, 204};

// Pieces of text the generator strings together.
const QStringList kPieces = {
    QStringLiteral("Hello"), QStringLiteral(" "), QStringLiteral("world"), QStringLiteral("\t"), QString(QChar(0x2028)),
    QStringLiteral("\\"), QStringLiteral("{"), QStringLiteral("}"), QStringLiteral("12"), QStringLiteral("?"),
    QString::fromUtf8("السلام عليكم"), QString::fromUtf8("ⲡⲓⲛⲟⲩϯ"), QString::fromUtf8("Ϣϥϧ"), QString::fromUtf8("é ß ñ"),
    QString::fromUtf8("中文"), QString::fromUtf8("😀"), QString::fromUtf8("𐋡𐋢"), QString(QChar(0xFFFD)),
    QString(QChar(0x00A0)), QString(QChar(0xF0B7)), QString::fromUtf8("\u200F\u200E"), QStringLiteral("~-_")};

QTextCharFormat randomCharFormat(QRandomGenerator &rng)
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{kFamilies.at(rng.bounded(kFamilies.size()))});
    f.setFontPointSize(rng.bounded(2, 145) / 2.0); // half points
    if (rng.bounded(3) == 0)
        f.setProperty(rtf::AutoColorProperty, true);
    else
        f.setForeground(QColor::fromRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
    f.setFontWeight(rng.bounded(2) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(rng.bounded(2));
    f.setFontUnderline(rng.bounded(2));
    f.setFontStrikeOut(rng.bounded(4) == 0);
    f.setProperty(rtf::CharsetProperty, kCharsets[rng.bounded(int(std::size(kCharsets)))]);
    return f;
}

QTextBlockFormat randomBlockFormat(QRandomGenerator &rng)
{
    static const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
    QTextBlockFormat b;
    b.setAlignment(alignments[rng.bounded(4)]);
    // Whole points as the control sets them, and odd twips as other writers do.
    const bool points = rng.bounded(2);
    auto px = [&](int lo, int hi) { return points ? rng.bounded(lo, hi) * 4 / 3.0 : rng.bounded(lo * 20, hi * 20) / 15.0; };
    const qreal first = px(0, 200);
    const qreal left = px(-100, 100);
    b.setLeftMargin(first + left);
    b.setTextIndent(-left);
    b.setRightMargin(px(0, 100));
    return b;
}

void buildRandomDocument(QTextDocument &doc, quint32 seed)
{
    QRandomGenerator rng(seed);
    QTextCursor cursor(&doc);
    const int blocks = rng.bounded(1, 12);
    QTextList *list = nullptr;
    for (int b = 0; b < blocks; ++b) {
        if (b > 0)
            cursor.insertBlock();
        cursor.setBlockFormat(randomBlockFormat(rng));
        const int kind = rng.bounded(6);
        if (kind == 0) { // bullet, continuing the list above when there is one
            if (list && list->format().style() == QTextListFormat::ListDisc)
                list->add(cursor.block());
            else
                list = cursor.createList(QTextListFormat::ListDisc);
        } else if (kind == 1) { // a numbered list from a loaded file
            if (list && list->format().style() == QTextListFormat::ListDecimal)
                list->add(cursor.block());
            else
                list = cursor.createList(QTextListFormat::ListDecimal);
        } else {
            list = nullptr;
        }
        const int runs = rng.bounded(4) == 0 ? 0 : rng.bounded(1, 6);
        if (runs == 0)
            cursor.setBlockCharFormat(randomCharFormat(rng)); // an empty paragraph keeps its attributes
        for (int r = 0; r < runs; ++r) {
            QString text;
            const int pieces = rng.bounded(1, 5);
            for (int p = 0; p < pieces; ++p)
                text += kPieces.at(rng.bounded(kPieces.size()));
            cursor.insertText(text, randomCharFormat(rng));
        }
    }
}

// Attributes of the list a block is in, and whether it continues the list of
// the block above.
QString listShape(const QTextDocument &doc)
{
    QString out;
    const QTextList *previous = nullptr;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextList *list = block.textList();
        out += !list ? u'-' : list == previous ? u'=' : u'+';
        previous = list;
    }
    return out;
}

} // namespace

class TestRtfRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void randomDocuments();
    void handWrittenDocuments_data();
    void handWrittenDocuments();
    void defaultAttributes_data();
    void defaultAttributes();
    void unsetAttributesTakeTheDefaults();
};

void TestRtfRoundTrip::randomDocuments()
{
    // Seeded: a failure names its seed and can be replayed.
    const quint32 base = 20240611;
    for (quint32 i = 0; i < 300; ++i) {
        const quint32 seed = base + i;
        QTextDocument original;
        buildRandomDocument(original, seed);
        const QByteArray rtf = rtf::writeRtf(original);
        QTextDocument loaded;
        rtftest::load(rtf, loaded);
        const QString expected = rtftest::describe(original);
        const QString actual = rtftest::describe(loaded);
        if (expected != actual || listShape(original) != listShape(loaded)) {
            qWarning().noquote() << "seed" << seed << "\n" << rtf;
            QCOMPARE(actual, expected);
            QCOMPARE(listShape(loaded), listShape(original));
        }
    }
}

void TestRtfRoundTrip::handWrittenDocuments_data()
{
    QTest::addColumn<QStringList>("paragraphs");
    QTest::newRow("empty document") << QStringList{QString()};
    QTest::newRow("one empty paragraph after text") << QStringList{QStringLiteral("a"), QString()};
    QTest::newRow("empty paragraphs around") << QStringList{QString(), QStringLiteral("a"), QString(), QString()};
    QTest::newRow("only line breaks") << QStringList{QString(QChar(0x2028)) + QChar(0x2028)};
    QTest::newRow("spaces only") << QStringList{QStringLiteral("  "), QStringLiteral(" ")};
    QTest::newRow("leading space after a word") << QStringList{QStringLiteral(" lead")};
    QTest::newRow("digits after a control word") << QStringList{QStringLiteral("\t123")};
    QTest::newRow("every BMP plane boundary")
        << QStringList{QString(QChar(0x7F)) + QChar(0x80) + QChar(0x7FFF) + QChar(0x8000) + QChar(0xFFFD) + QChar(0xFFFF)};
    QTest::newRow("astral") << QStringList{QString::fromUtf8("𝔸𐋠\U0010FFFD")};
    QTest::newRow("control characters") << QStringList{QString(QChar(1)) + QChar(0x1F) + QChar(0x7F)};
}

void TestRtfRoundTrip::handWrittenDocuments()
{
    QFETCH(QStringList, paragraphs);
    QTextDocument original;
    QTextCursor cursor(&original);
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Arial")});
    f.setFontPointSize(14);
    f.setProperty(rtf::AutoColorProperty, true);
    for (int i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            cursor.insertBlock(QTextBlockFormat(), f);
        else
            cursor.setBlockCharFormat(f);
        cursor.insertText(paragraphs[i], f);
    }
    QTextDocument loaded;
    rtftest::load(rtf::writeRtf(original), loaded);
    QCOMPARE(loaded.blockCount(), original.blockCount());
    QCOMPARE(loaded.toRawText(), original.toRawText());
}

void TestRtfRoundTrip::defaultAttributes_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("size");
    QTest::addColumn<QColor>("colour"); // invalid: automatic
    QTest::addColumn<int>("charset");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Coptic font, automatic colour") << "ArialCoptic" << 14.0 << QColor() << 1 << false;
    QTest::newRow("Arabic, red, half points, bold") << "Noto Naskh Arabic" << 10.5 << QColor(Qt::red) << 178 << true;
    QTest::newRow("black is not automatic") << "Arial" << 12.0 << QColor(Qt::black) << 0 << false;
}

void TestRtfRoundTrip::defaultAttributes()
{
    QFETCH(QString, family);
    QFETCH(qreal, size);
    QFETCH(QColor, colour);
    QFETCH(int, charset);
    QFETCH(bool, bold);
    QTextCharFormat def;
    def.setFontFamilies({family});
    def.setFontPointSize(size);
    if (colour.isValid())
        def.setForeground(colour);
    else
        def.setProperty(rtf::AutoColorProperty, true);
    def.setProperty(rtf::CharsetProperty, charset);
    def.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    def.setFontItalic(false);
    def.setFontUnderline(true);
    def.setFontStrikeOut(false);

    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("x"));
    QTextDocument loaded;
    QTextCharFormat back;
    rtftest::load(rtf::writeRtf(doc, def), loaded, &back);
    QCOMPARE(back.fontFamilies().toStringList(), QStringList{family});
    QCOMPARE(back.fontPointSize(), size);
    QCOMPARE(back.property(rtf::AutoColorProperty).toBool(), !colour.isValid());
    if (colour.isValid())
        QCOMPARE(back.foreground().color(), colour);
    QCOMPARE(back.property(rtf::CharsetProperty).toInt(), charset);
    QCOMPARE(back.fontWeight() >= QFont::Bold, bold);
    QVERIFY(back.fontUnderline());
    QVERIFY(!back.fontItalic());
    QCOMPARE(rtftest::plainText(loaded), QStringLiteral("x"));
}

void TestRtfRoundTrip::unsetAttributesTakeTheDefaults()
{
    // A run that names no family, size or colour is written with the defaults'.
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("plain"), QTextCharFormat());
    QTextCharFormat def;
    def.setFontFamilies({QStringLiteral("ArialCoptic")});
    def.setFontPointSize(14);
    QTextDocument loaded;
    rtftest::load(rtf::writeRtf(doc, def), loaded);
    const QTextCharFormat f = loaded.begin().begin().fragment().charFormat();
    QCOMPARE(f.fontFamilies().toStringList(), QStringList{QStringLiteral("ArialCoptic")});
    QCOMPARE(f.fontPointSize(), 14.0);
    QVERIFY(f.property(rtf::AutoColorProperty).toBool());
}

QTEST_MAIN(TestRtfRoundTrip)
#include "tst_rtfroundtrip.moc"

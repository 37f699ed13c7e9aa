// Save then load gives back everything the control can hold: text of all of
// Unicode, runs with every attribute, paragraphs with every attribute, bullets,
// tables, empty and trailing empty paragraphs, and the default attributes.
#include "RtfCodec.h"
#include "RtfSink.h"
#include "RtfTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QUrl>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
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
    switch (rng.bounded(8)) { // raised, lowered, background, link, field: now and then
    case 0:
        f.setVerticalAlignment(rng.bounded(2) ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
        break;
    case 1:
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        f.setProperty(rtf::RaiseProperty, rng.bounded(1, 12));
        break;
    case 2:
        f.setBackground(QColor::fromRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        f.setProperty(rtf::BackgroundKindProperty, rng.bounded(1, 4));
        break;
    case 3:
        f.setAnchor(true);
        f.setAnchorHref(rng.bounded(2) ? QStringLiteral("https://example.com/a?b=c\\d") : QStringLiteral("#part"));
        f.setProperty(rtf::FieldIdProperty, rng.bounded(1, 1000));
        if (!f.fontUnderline()) { // a link shows underlined, as the reader makes it
            f.setFontUnderline(true);
            f.setProperty(rtf::LinkUnderlineProperty, true);
        }
        break;
    case 4:
        f.setProperty(rtf::FieldInstructionProperty, QStringLiteral("DATE \\@ \"d.M.yyyy\""));
        f.setProperty(rtf::FieldIdProperty, rng.bounded(1, 1000));
        break;
    default:
        break;
    }
    return f;
}

// A picture as a file holds it: PNG that shows, or a kind that is kept as bytes.
QTextImageFormat randomPicture(QRandomGenerator &rng, QTextDocument &doc)
{
    static int count = 0;
    const QString name = QStringLiteral("test-picture:%1").arg(++count);
    QTextImageFormat f;
    f.setName(name);
    QByteArray data;
    int kind = rtf::RtfPicture::Wmf;
    if (rng.bounded(2)) {
        QImage image(rng.bounded(1, 20), rng.bounded(1, 20), QImage::Format_RGB32);
        image.fill(QColor::fromRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
        kind = rtf::RtfPicture::Png;
    } else {
        for (int i = rng.bounded(1, 64); i > 0; --i)
            data.append(char(rng.bounded(256)));
    }
    const int goalW = rng.bounded(15, 3000), goalH = rng.bounded(15, 3000);
    f.setWidth(goalW / 15.0);
    f.setHeight(goalH / 15.0);
    f.setProperty(rtf::PictureDataProperty, data);
    f.setProperty(rtf::PictureKindProperty, kind);
    f.setProperty(rtf::PictureSizeProperty, QVariant::fromValue(QList<int>{20, 20, goalW, goalH, 100, 100, 8}));
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
    if (rng.bounded(3) == 0) { // spacing, line spacing, tab stops, page break, keep
        b.setTopMargin(rng.bounded(0, 400) / 15.0);
        b.setBottomMargin(rng.bounded(0, 400) / 15.0);
        static const QTextBlockFormat::LineHeightTypes heights[] = {
            QTextBlockFormat::ProportionalHeight, QTextBlockFormat::MinimumHeight, QTextBlockFormat::FixedHeight};
        const auto type = heights[rng.bounded(3)];
        b.setLineHeight(type == QTextBlockFormat::ProportionalHeight ? rng.bounded(100, 300) * 100 / 240.0
                                                                     : rng.bounded(200, 800) / 15.0,
                        type);
        QList<int> tabs;
        for (int t = rng.bounded(0, 4), position = 0; t > 0; --t)
            tabs << (position += rng.bounded(100, 2000)) << rng.bounded(0, 5) << rng.bounded(0, 7);
        if (!tabs.isEmpty())
            b.setProperty(rtf::TabStopsProperty, QVariant::fromValue(tabs));
        if (rng.bounded(2))
            b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        b.setProperty(rtf::KeepTogetherProperty, bool(rng.bounded(2)));
        b.setProperty(rtf::KeepWithNextProperty, bool(rng.bounded(2)));
    }
    return b;
}

void insertRandomRuns(QRandomGenerator &rng, QTextDocument &doc, QTextCursor &cursor, int runs)
{
    for (int r = 0; r < runs; ++r) {
        QString text;
        const int pieces = rng.bounded(1, 5);
        for (int p = 0; p < pieces; ++p)
            text += kPieces.at(rng.bounded(kPieces.size()));
        cursor.insertText(text, randomCharFormat(rng));
        if (rng.bounded(10) == 0) {
            QTextCharFormat picture = randomCharFormat(rng);
            picture.merge(randomPicture(rng, doc));
            cursor.insertText(QString(QChar::ObjectReplacementCharacter), picture);
        }
    }
}

// A table after the cursor's paragraph, with formatted text (one or two paragraphs) in
// its cells; the cursor ends in the paragraph after it.
void insertRandomTable(QRandomGenerator &rng, QTextDocument &doc, QTextCursor &cursor)
{
    QTextTable *table = cursor.insertTable(rng.bounded(1, 4), rng.bounded(1, 4));
    for (int r = 0; r < table->rows(); ++r) {
        for (int c = 0; c < table->columns(); ++c) {
            QTextCursor cell = table->cellAt(r, c).firstCursorPosition();
            for (int p = rng.bounded(1, 3); p > 0; --p) {
                cell.setBlockFormat(randomBlockFormat(rng));
                insertRandomRuns(rng, doc, cell, rng.bounded(1, 3));
                if (p > 1)
                    cell.insertBlock();
            }
        }
    }
    cursor.setPosition(table->lastPosition() + 1);
}

void buildRandomDocument(QTextDocument &doc, quint32 seed)
{
    QRandomGenerator rng(seed);
    QTextCursor cursor(&doc);
    const int blocks = rng.bounded(1, 12);
    QTextList *list = nullptr;
    bool afterTable = false;
    for (int b = 0; b < blocks; ++b) {
        // Not after an empty first paragraph: that one only stands before the table and
        // is not written (QTextDocument puts it there, readers make it again).
        if (b > 0 && b + 1 < blocks && !afterTable && cursor.block().length() > 1 && rng.bounded(5) == 0) {
            insertRandomTable(rng, doc, cursor);
            afterTable = true; // the paragraph after the table is there already
            list = nullptr;
            continue;
        }
        if (b > 0 && !afterTable)
            cursor.insertBlock();
        afterTable = false;
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
        if (runs == 0) { // an empty paragraph keeps its attributes; a link or field needs text
            QTextCharFormat empty = randomCharFormat(rng);
            for (int property : {int(QTextFormat::IsAnchor), int(QTextFormat::AnchorHref), int(rtf::FieldInstructionProperty),
                                 int(rtf::FieldIdProperty), int(rtf::LinkUnderlineProperty)})
                empty.clearProperty(property);
            cursor.setBlockCharFormat(empty);
        }
        insertRandomRuns(rng, doc, cursor, runs);
    }
}

// Rows and columns of every table in document order, nested ones inside "( )".
QString tableShape(const QTextFrame *parent)
{
    QString out;
    for (const QTextFrame *frame : parent->childFrames()) {
        if (const auto *table = qobject_cast<const QTextTable *>(frame))
            out += QStringLiteral("%1x%2(%3) ").arg(table->rows()).arg(table->columns()).arg(tableShape(table));
    }
    return out;
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
    void tables_data();
    void tables();
    void keepsStyleReferencesWithTheStyleSheet();
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
        if (expected != actual || listShape(original) != listShape(loaded)
            || tableShape(original.rootFrame()) != tableShape(loaded.rootFrame())) {
            qWarning().noquote() << "seed" << seed << "\n" << rtf;
            const QStringList a = actual.split(u'\n'), e = expected.split(u'\n');
            for (qsizetype l = 0; l < qMin(a.size(), e.size()); ++l) {
                if (a[l] != e[l]) {
                    qWarning().noquote() << "first difference, line" << l << "\n  got:" << a[l] << "\n want:" << e[l];
                    break;
                }
            }
            QCOMPARE(actual, expected);
            QCOMPARE(listShape(loaded), listShape(original));
            QCOMPARE(tableShape(loaded.rootFrame()), tableShape(original.rootFrame()));
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


// Tables as the file gives them and as written back: "rows x columns" per table (nested
// ones marked ">" after the table around them), each column's right edge, then per cell its
// borders and shading, its own right edge ("@"), its span ("+") and its row's height ("^");
// and the text.
namespace {
void describeTables(const QTextFrame *parent, const QString &depth, QStringList &out)
{
    for (QTextFrame *frame : parent->childFrames()) {
        const auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QStringList cells;
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (cell.row() != r || cell.column() != c)
                    continue;
                const QTextTableCellFormat f = cell.format().toTableCellFormat();
                cells << QStringLiteral("%1/%2%3@%4%5%6").arg(f.intProperty(rtf::CellBordersProperty))
                             .arg(f.intProperty(rtf::CellBorderWidthProperty))
                             .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name()
                                                                              : QString())
                             .arg(f.intProperty(rtf::CellRightProperty))
                             .arg(cell.columnSpan() > 1 ? QStringLiteral("+%1").arg(cell.columnSpan()) : QString())
                             .arg(f.hasProperty(rtf::CellRowHeightProperty)
                                      ? QStringLiteral("^%1").arg(f.intProperty(rtf::CellRowHeightProperty))
                                      : QString());
            }
        }
        QStringList rights;
        for (int x : table->format().property(rtf::TableCellRightsProperty).value<QList<int>>())
            rights << QString::number(x);
        out << QStringLiteral("%1%2x%3 [%4] align%5 left%6 {%7}")
                   .arg(depth).arg(table->rows()).arg(table->columns()).arg(rights.join(u' '))
                   .arg(int(table->format().alignment() & Qt::AlignHorizontal_Mask))
                   .arg(table->format().intProperty(rtf::TableLeftProperty)).arg(cells.join(u' '));
        describeTables(table, depth + u'>', out);
    }
}

QString describeTables(const QTextDocument &doc)
{
    QStringList out;
    describeTables(doc.rootFrame(), QString(), out);
    return out.join(u'\n');
}
} // namespace

void TestRtfRoundTrip::tables_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("tables");
    QTest::addColumn<QString>("text");
    const QByteArray head = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}";
    QTest::newRow("two rows with borders and shading")
        << head + "before\\par\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                  "\\cellx2000\\clcbpat1\\cellx5000\\pard\\intbl A\\cell B\\par B2\\cell\\row"
                  "\\trowd\\trgaph108\\trleft-108\\cellx2000\\cellx5000\\pard\\intbl C\\cell\\cell\\row\\pard after\\par}"
        << "2x2 [2000 5000] align1 left-108 {5/10@2000 0/0#ff0000@5000 0/0@2000 0/0@5000}"
        << "before\nA\tB\nB2\nC\t\nafter";
    QTest::newRow("table first, centred, in a formatted cell")
        << head + "\\trowd\\trqc\\cellx1000\\cellx2000\\cellx3000\\intbl{\\b x}\\cell\\cell z\\cell\\row}"
        << "1x3 [1000 2000 3000] align4 left0 {0/0@1000 0/0@2000 0/0@3000}" << "\nx\t\tz\n";
    // LibreOffice keeps such rows in one table too; each row keeps its own edges.
    QTest::newRow("rows of other widths and shapes in one table")
        << head + "\\trowd\\cellx2000\\cellx4000\\intbl A\\cell B\\cell\\row\\trowd\\cellx1000\\cellx5000\\intbl C\\cell D\\cell\\row"
                  "\\trowd\\cellx3000\\intbl E\\cell\\row\\trowd\\cellx1000\\cellx2000\\cellx6000\\intbl F\\cell G\\cell H\\cell\\row\\pard after\\par}"
        << "4x3 [2000 4000] align1 left0 {0/0@2000 0/0@4000+2 0/0@1000 0/0@5000+2 0/0@3000+3 0/0@1000 0/0@2000 0/0@6000}"
        << "\nA\tB\nC\tD\nE\nF\tG\tH\nafter";
    // As LibreOffice writes a table in a table: the inner rows' definitions after their cells.
    QTest::newRow("nested table")
        << head + "\\pard\\intbl\\itap2 N1\\nestcell N2\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\clcbpat1\\cellx2000\\nestrow}"
                  "{\\nonesttables\\par}\\pard\\intbl\\itap2 N3\\nestcell\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2000\\nestrow}"
                  "{\\nonesttables\\par}\\pard\\intbl tail\\cell\\trowd\\cellx3000\\cellx6000\\pard\\intbl X\\cell\\row\\pard after\\par}"
        << "1x2 [3000 6000] align1 left0 {0/0@3000 0/0@6000}\n"
           ">2x2 [1000 2000] align1 left0 {0/0@1000 0/0#ff0000@2000 0/0@1000 0/0@2000}"
        << "\n\nN1\tN2\nN3\t\ntail\tX\nafter";
    QTest::newRow("rows of their own heights (negative: exact)")
        << head + "\\trowd\\trrh400\\cellx2000\\cellx4000\\intbl A\\cell B\\cell\\row\\trowd\\trrh-600\\cellx2000\\cellx4000"
                  "\\intbl C\\cell D\\cell\\row\\trowd\\cellx2000\\cellx4000\\intbl E\\cell F\\cell\\row\\pard after\\par}"
        << "3x2 [2000 4000] align1 left0 {0/0@2000^400 0/0@4000^400 0/0@2000^-600 0/0@4000^-600 0/0@2000 0/0@4000}"
        << "\nA\tB\nC\tD\nE\tF\nafter";
    QTest::newRow("tables left of the margin, one in a cell")
        << head + "\\trowd\\trleft-300\\cellx3000\\pard\\intbl\\itap2 N\\nestcell{\\*\\nesttableprops\\trowd\\trleft-72"
                  "\\trrh300\\cellx1000\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\itap1\\cell\\row\\pard after\\par}"
        << "1x1 [3000] align1 left-300 {0/0@3000}\n>1x1 [1000] align1 left-72 {0/0@1000^300}"
        << "\n\nN\n\nafter";
}

void TestRtfRoundTrip::tables()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, tables);
    QFETCH(QString, text);
    QTextDocument read;
    rtftest::load(rtf, read);
    QCOMPARE(describeTables(read), tables);
    QCOMPARE(rtftest::plainText(read), text);
    QTextDocument again;
    rtftest::load(rtf::writeRtf(read), again);
    QCOMPARE(describeTables(again), tables);
    QCOMPARE(rtftest::plainText(again), text);
    // Attributes of every run but those of the empty paragraph that ends the document.
    QStringList readLines = rtftest::describe(read).split(u'\n');
    QStringList againLines = rtftest::describe(again).split(u'\n');
    QCOMPARE(againLines.size(), readLines.size());
    QCOMPARE(againLines.mid(0, againLines.size() - 3), readLines.mid(0, readLines.size() - 3));
}

void TestRtfRoundTrip::keepsStyleReferencesWithTheStyleSheet()
{
    // A paragraph in a bold heading style whose run says \\b0: written back with its style
    // and every attribute of the run said outright, so that readers that apply the style
    // (LibreOffice) do not make it bold; a run in a character style ends it with \\plain.
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Arial;}}"
                           "{\\stylesheet{\\s0 Normal;}{\\s1\\b\\fs32 Heading;}{\\*\\cs7\\i Emphasis;}}"
                           "{\\info{\\title \\'c0}}"
                           "\\pard\\s1 H\\b0 x\\par\\pard\\s0 a{\\cs7\\i b}c\\par}";
    QTextDocument read;
    rtftest::load(rtf, read);
    const QByteArray written = rtf::writeRtf(read);
    QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg1251")); // the page of the kept title's byte
    const QByteArray all = "\\f1\\fs32\\cf0"; // then b, i, ul, strike, nosupersub, highlight
    QVERIFY2(written.contains("\\s1" + all + "\\b\\i0\\ulnone\\strike0\\nosupersub\\highlight0 H\\b0 x\\par"),
             written.constData());
    QVERIFY2(written.contains("\\s0" + all + "\\b0\\i0\\ulnone\\strike0\\nosupersub\\highlight0 a"
                              "\\cs7" + all + "\\b0\\i\\ulnone\\strike0\\nosupersub\\highlight0 b"
                              "\\plain" + all + "\\b0\\i0\\ulnone\\strike0\\nosupersub\\highlight0 c\\par"),
             written.constData());
    QTextDocument again;
    rtftest::load(written, again);
    QCOMPARE(rtftest::describe(again), rtftest::describe(read));
    for (const QTextDocument *doc : {&read, &again}) {
        QCOMPARE(doc->begin().blockFormat().intProperty(rtf::ParaStyleProperty), 1);
        const QTextBlock second = doc->begin().next();
        QCOMPARE(second.blockFormat().intProperty(rtf::ParaStyleProperty), 0);
        QStringList styles;
        for (auto it = second.begin(); !it.atEnd(); ++it)
            styles << it.fragment().text() + QString::number(it.fragment().charFormat().intProperty(rtf::CharStyleProperty));
        QCOMPARE(styles, QStringList({QStringLiteral("a0"), QStringLiteral("b7"), QStringLiteral("c0")}));
    }

    // Without the style sheet (a pasted file's numbers mean nothing here) none is written.
    QTextDocument pasted;
    QTextCursor cursor(&pasted);
    rtf::insertRtf(rtf, cursor);
    QVERIFY(!pasted.begin().blockFormat().hasProperty(rtf::ParaStyleProperty));
    const QByteArray plain = rtf::writeRtf(pasted);
    QVERIFY2(!plain.contains("\\s1") && !plain.contains("\\cs7"), plain.constData());
}

QTEST_MAIN(TestRtfRoundTrip)
#include "tst_rtfroundtrip.moc"

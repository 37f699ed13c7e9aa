// Every file of the real-world corpus loads, and its text is the text LibreOffice
// reads from it (list labels and table layout aside).
#include "RtfCodec.h"
#include "RtfTestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

const QString kDataDir = QStringLiteral(KALVERO_RTF_TEST_DATA);

bool hasLists(const QTextDocument &doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (block.textList())
            return true;
    return false;
}

// Words of a text: whitespace of any kind (tabs of table cells, line ends of
// paragraphs and cells) collapses to one space.
QString words(QString text)
{
    text.remove(QChar(0xFFFC)); // a picture: LibreOffice's text has nothing for it
    text.replace(QChar(0x2028), u' ');
    text.replace(QChar(0x00A0), u' ');
    static const QRegularExpression space(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    return text.replace(space, QStringLiteral(" ")).trimmed();
}

QString withoutListLabels(const QString &text)
{
    static const QRegularExpression label(
        QStringLiteral("^\\s*(?:[\\x{2022}\\x{25E6}\\x{25AA}\\x{F0B7}\\x{F0A7}\\x{2013}-]|\\d+[.)]|[a-z][.)]|[ivx]+[.)])[ \\t]"),
        QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption);
    QString out = text;
    return out.remove(label);
}

// Places where LibreOffice's text is not what the file says, and ours is.
struct KnownDifference
{
    const char *file;
    const char *libreOffice;
    const char *ours;
};
const KnownDifference kKnownDifferences[] = {
    // LibreOffice prints the footnote's number; the control shows no footnotes.
    {"rtfjs__sample.rtf", "a 1footnote.", "a footnote."},
    // A \fcharset1 font with \'94: LibreOffice gives up, the default code page (1252) says U+201D.
    {"tika__testRTFHyperlinkAndStyles.rtf", "10\uFFFDFlour", "10\u201DFlour"},
    // \uc0 and "\u-10240  here" (delimiter plus a real space): LibreOffice writes "?" and
    // drops a space; lone surrogates become U+FFFD and the space stays.
    {"tika__testRTFInvalidUnicode.rtf", "hi ?here", "hi \uFFFD here"},
    {"tika__testRTFInvalidUnicode.rtf", "lo ? here", "lo \uFFFD here"},
    {"tika__testRTFInvalidUnicode.rtf", "pair ??here", "pair \uFFFD\uFFFD here"},
};

} // namespace

class TestRtfCorpus : public QObject
{
    Q_OBJECT

private slots:
    void matchesLibreOfficeText_data();
    void matchesLibreOfficeText();
};

void TestRtfCorpus::matchesLibreOfficeText_data()
{
    QTest::addColumn<QString>("file");
    const QStringList files = QDir(kDataDir).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 37);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << file;
}

void TestRtfCorpus::matchesLibreOfficeText()
{
    QFETCH(QString, file);
    QTextDocument doc;
    rtf::loadFile(kDataDir + u'/' + file, &doc);
    const QString ours = rtftest::plainText(doc);

    QFile expectedFile(kDataDir + QStringLiteral("/expected-lo-txt/") + QFileInfo(file).completeBaseName()
                       + QStringLiteral(".txt"));
    if (!expectedFile.open(QIODevice::ReadOnly)) {
        // LibreOffice refuses this file: its \\bin payload holds a "}" and the
        // file ends inside open groups. Honouring \\bin, the rest lies inside an
        // object; none of the payload's 0xFF bytes may show up as text.
        QVERIFY(!ours.contains(QChar(0xFF)));
        QVERIFY(doc.blockCount() >= 1);
        return;
    }
    QString expected = QString::fromUtf8(expectedFile.readAll());
    if (expected.startsWith(QChar(0xFEFF)))
        expected.remove(0, 1);
    if (hasLists(doc))
        expected = withoutListLabels(expected);
    QString b = words(expected);
    for (const KnownDifference &known : kKnownDifferences)
        if (file == QLatin1String(known.file))
            b.replace(QString::fromUtf8(known.libreOffice), QString::fromUtf8(known.ours));
    const QString a = words(ours);
    if (a != b) {
        qsizetype i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i])
            ++i;
        qWarning().noquote() << "first difference at" << i << "\n ours:" << a.mid(qMax<qsizetype>(0, i - 40), 120)
                             << "\n   LO:" << b.mid(qMax<qsizetype>(0, i - 40), 120);
    }
    QCOMPARE(a, b);
}

QTEST_MAIN(TestRtfCorpus)
#include "tst_rtfcorpus.moc"

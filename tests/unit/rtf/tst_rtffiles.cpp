// Loading and saving files: RTF decided by content, plain text in UTF-8, UTF-16 or
// the detected code page, the user-visible errors, and saves that never half-write.
#include "Errors.h"
#include "PlainText.h"
#include "RtfCodec.h"
#include "RtfTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

#include "FileSizeLimit.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const EKalveroError &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestRtfFiles : public QObject
{
    Q_OBJECT

private slots:
    void decidesRtfByContent_data();
    void decidesRtfByContent();
    void loadsPlainText_data();
    void loadsPlainText();
    void plainTextAcrossPieces_data();
    void plainTextAcrossPieces();
    void loadReportsProgressAndStops_data();
    void loadReportsProgressAndStops();
    void plainTextTakesTheDefaultAttributes();
    void loadReplacesTheDocument();
    void loadLeavesNoUndoHistory();
    void reportsFilesThatCannotBeOpened();
    void savesAndLoadsAFile();
    void reportsFilesThatCannotBeCreated();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void nonRegularFilesAreNotRead();
    void saveKeepsPermissions();
    void insertsRichTextAtTheCursor_data();
    void insertsRichTextAtTheCursor();
};

void TestRtfFiles::decidesRtfByContent_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("rtf");
    QTest::newRow("rtf") << QByteArray("{\\rtf1 x}") << true;
    QTest::newRow("upper case") << QByteArray("{\\RTF1 x}") << true;
    QTest::newRow("utf-8 flavour") << QByteArray("{\\urtf1 x}") << true;
    QTest::newRow("utf-8 flavour without backslash") << QByteArray("{URTF x}") << true;
    QTest::newRow("plain") << QByteArray("rtf") << false;
    QTest::newRow("space first") << QByteArray(" {\\rtf1}") << false;
    QTest::newRow("too short") << QByteArray("{\\rt") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestRtfFiles::decidesRtfByContent()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, rtf);
    QCOMPARE(rtf::looksLikeRtf(bytes), rtf);
}

void TestRtfFiles::loadsPlainText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("\xd8\xa7 \xe2\xb2\x81") << QString::fromUtf8("ا ⲁ");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xef\xbb\xbfx") << "x";
    QTest::newRow("Windows-1252") << QByteArray("caf\xe9 \x80") << QString::fromUtf8("café €");
    QTest::newRow("CR LF, LF and CR") << QByteArray("a\r\nb\nc\rd") << "a\nb\nc\nd";
    QTest::newRow("blank lines kept") << QByteArray("a\r\n\r\nb\r\n") << "a\n\nb\n";
    QTest::newRow("NUL dropped") << QByteArray("a\0b", 3) << "ab";
    QTest::newRow("RTF in a file of any name") << QByteArray("{\\rtf1 rich}") << "rich";
    // Notepad's "Unicode" and "Unicode big endian", and the Arabic and Cyrillic code pages.
    QTest::newRow("UTF-16 LE with BOM")
        << QByteArray("\xFF\xFEH\0i\0 \0\x27\x06\r\0\n\0\x81\x2C", 16) << QString::fromUtf8("Hi ا\nⲁ");
    QTest::newRow("UTF-16 BE with BOM") << QByteArray("\xFE\xFF\0H\0i\x06\x27", 8) << QString::fromUtf8("Hiا");
    // A surrogate without its partner is no character: it reads as a broken one, as in RTF.
    QTest::newRow("UTF-16 BE, lone high surrogate")
        << QByteArray("\xFE\xFF\xDB\x41\0r\xD8\x3D", 8) << QString::fromUtf16(u"\uFFFDr\uFFFD");
    QTest::newRow("U+FFFC, the document's mark of a picture") << QByteArray("a\xef\xbf\xbc") << QString::fromUtf16(u"a\uFFFD");
    QTest::newRow("UTF-16 LE, lone low surrogate, then a pair")
        << QByteArray("\xFF\xFE\x00\xDE\x3D\xD8\x00\xDE", 8) << QString::fromUtf16(u"\uFFFD\U0001F600");
    QTest::newRow("Windows-1256")
        << QByteArray("\xe3\xd1\xcd\xc8\xc7 \xc8\xc7\xe1\xda\xc7\xe1\xe3\r\n\xc7\xe1\xd3\xe1\xc7\xe3 \xda\xe1\xed\xdf\xe3")
        << QString::fromUtf8("مرحبا بالعالم\nالسلام عليكم");
    QTest::newRow("Windows-1251") << QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0! \xca\xe0\xea \xe4\xe5\xeb\xe0?")
                                  << QString::fromUtf8("Привет, мир! Как дела?");
    QTest::newRow("Windows-1252 quotes") << QByteArray("\x93quoted\x94 text") << QString::fromUtf8("“quoted” text");
}

void TestRtfFiles::loadsPlainText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    writeFile(path, bytes);
    QTextDocument doc;
    rtf::loadFile(path, &doc);
    QCOMPARE(rtftest::plainText(doc), text);
}

// Plain text is read a MiB at a time: a character, a CR LF or a surrogate pair cut by the
// piece boundary reads as in one piece, and a file that stops being UTF-8 after the first
// piece is read whole in its detected encoding. The whole-buffer decoder is the oracle.
void TestRtfFiles::plainTextAcrossPieces_data()
{
    constexpr int kPiece = 1 << 20;
    const auto ascii = [](int n) { return QByteArray(n, 'a'); };
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("2-byte letter across") << ascii(kPiece - 1) + "\xd8\xa7 end";
    QTest::newRow("3-byte letter across, 2 bytes before") << ascii(kPiece - 2) + "\xe2\xb2\x81 end";
    QTest::newRow("4-byte letter across, 3 bytes before") << ascii(kPiece - 3) + "\xf0\x9f\x98\x80 end";
    QTest::newRow("CR LF across") << ascii(kPiece - 1) + "\r\nnext";
    QTest::newRow("CR CR across") << ascii(kPiece - 1) + "\r\rnext";
    QTest::newRow("UTF-8 BOM, letter across") << "\xef\xbb\xbf" + ascii(kPiece - 1) + "\xd8\xa7";
    QTest::newRow("invalid UTF-8 after the first piece") << ascii(kPiece + 10) + "caf\xe9\r\nx";
    QByteArray arabic = ascii(1);
    for (int i = 0; i < kPiece / 2 - 1; ++i)
        arabic.append("\xd8\xa7");
    QTest::newRow("broken UTF-8 sequence at a piece's end") << arabic + "\xe2M end\r\n";
    QByteArray utf16("\xFF\xFE");
    for (int i = 0; i < kPiece / 2 - 1; ++i)
        utf16.append("b\0", 2);
    utf16.append("\x3d\xd8\x00\xde\r\0\n\0z\0", 10); // U+1F600 across, then CR LF
    QTest::newRow("UTF-16 LE surrogate pair across") << utf16;
    QTest::newRow("UTF-16 LE, a lone byte alone in the last piece") << QByteArray("\xFF\xFE") + ascii(kPiece) + "x";
    QByteArray marked("\xFF\xFE");
    for (int i = 0; i < kPiece / 2; ++i)
        marked.append("b\0", 2);
    QTest::newRow("UTF-16 LE, U+FEFF beginning the second piece") << marked + QByteArray("\xFF\xFEz\0", 4);
    QTest::newRow("UTF-32 by its mark, ending inside a unit") << QByteArray("\0\0\xFE\xFF\xFF\xEF", 6);
    // The document's frame marks, which are not characters: one replacement character each.
    QTest::newRow("U+FDD0 and U+FDD1") << QByteArray("a\xef\xb7\x90" "b\xef\xb7\x91" "c");
}

void TestRtfFiles::plainTextAcrossPieces()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.txt"));
    writeFile(path, bytes);
    QTextDocument doc;
    rtf::loadFile(path, &doc);
    const QString expected = rtf::decodePlainText(bytes);
    const QString read = rtftest::plainText(doc);
    QCOMPARE(read.size(), expected.size());
    QVERIFY(read == expected);
}

// The load reports done of total as it goes, up to the whole, and an exception thrown by the
// report stops the load and reaches the caller.
void TestRtfFiles::loadReportsProgressAndStops_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray plain;
    while (plain.size() < 3 * (1 << 20))
        plain += "A line of plain text\r\n";
    QByteArray rich = "{\\rtf1 ";
    while (rich.size() < 2 * (1 << 20))
        rich += "{\\b bold} plain\\par\n";
    rich += "}";
    QTest::newRow("plain text") << plain;
    QTest::newRow("RTF") << rich;
}

void TestRtfFiles::loadReportsProgressAndStops()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.txt"));
    writeFile(path, bytes);

    QList<QPair<qint64, qint64>> reports;
    QTextDocument doc;
    rtf::loadFile(path, &doc, nullptr, [&](qint64 done, qint64 total) { reports.append({done, total}); });
    QVERIFY(reports.size() >= 3);
    for (qsizetype i = 1; i < reports.size(); ++i) {
        QVERIFY(reports[i].first >= reports[i - 1].first);
        QCOMPARE(reports[i].second, reports[0].second);
    }
    QVERIFY(reports.last().first <= reports.last().second);
    QVERIFY(reports.last().first * 10 >= reports.last().second * 9); // nearly all by the last report

    int calls = 0;
    QTextDocument stopped;
    bool aborted = false;
    try {
        rtf::loadFile(path, &stopped, nullptr, [&](qint64, qint64) {
            if (++calls == 2)
                throw OperationAborted();
        });
    } catch (const OperationAborted &) {
        aborted = true;
    }
    QVERIFY(aborted);
    QCOMPARE(calls, 2);
    QVERIFY(stopped.characterCount() < doc.characterCount());
}

void TestRtfFiles::plainTextTakesTheDefaultAttributes()
{
    QTextCharFormat def;
    def.setFontFamilies({QStringLiteral("ArialCoptic")});
    def.setFontPointSize(14);
    QTextDocument doc;
    rtf::loadDocument("one\ntwo", &doc, &def);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        QCOMPARE(b.begin().fragment().charFormat().fontPointSize(), 14.0);
    QCOMPARE(def.fontPointSize(), 14.0); // unchanged
}

void TestRtfFiles::loadReplacesTheDocument()
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("old\nstuff"));
    rtf::loadDocument("{\\rtf1 new}", &doc);
    QCOMPARE(rtftest::plainText(doc), QStringLiteral("new"));
}

void TestRtfFiles::loadLeavesNoUndoHistory()
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("typed"));
    QVERIFY(doc.isUndoAvailable());
    rtf::loadDocument("{\\rtf1 loaded}", &doc);
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(doc.isUndoRedoEnabled());
    QVERIFY(doc.isLayoutEnabled());
}

void TestRtfFiles::reportsFilesThatCannotBeOpened()
{
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("kept"));
    QCOMPARE(errorOf([&] { rtf::loadFile(QStringLiteral("missing.rtf"), &doc); }),
             QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(dir.filePath(QStringLiteral("missing.rtf"))));
    QVERIFY(errorOf([&] { rtf::loadFile(dir.path(), &doc); }).startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(dir.path())));
    QCOMPARE(rtftest::plainText(doc), QStringLiteral("kept"));
}

void TestRtfFiles::savesAndLoadsAFile()
{
    // A large document's body goes through a file of its own while it is written.
    for (const int repeats : {1, 120000}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.TXT")); // the name does not decide the format
        QTextDocument doc;
        QTextCursor cursor(&doc);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        for (int i = 0; i < repeats; ++i) {
            cursor.insertText(QString::fromUtf8("ⲡⲓ السلام"), i % 2 ? bold : QTextCharFormat());
            if (i % 20 == 19)
                cursor.insertBlock();
        }
        rtf::saveFile(path, doc);
        QCOMPARE(readFile(path), rtf::writeRtf(doc));
        QTextDocument back;
        rtf::loadFile(path, &back);
        QCOMPARE(rtftest::plainText(back), doc.toPlainText());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("doc.TXT")}); // no temporary left
    }
}

void TestRtfFiles::reportsFilesThatCannotBeCreated()
{
    QTemporaryDir dir;
    QTextDocument doc;
    const QString badFolder = dir.filePath(QStringLiteral("no/such/folder/doc.rtf"));
    const QString message = errorOf([&] { rtf::saveFile(badFolder, doc); });
    QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(badFolder)), qPrintable(message));
    QVERIFY(message.size() > QStringLiteral("Cannot create file \"%1\". ").arg(badFolder).size()); // a reason is given
    // A folder in the way of the file.
    const QString folder = dir.filePath(QStringLiteral("taken"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(errorOf([&] { rtf::saveFile(folder, doc); }).startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(folder)));
    QVERIFY(QFileInfo(folder).isDir());
}

void TestRtfFiles::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("room"); // bytes the disk still takes
    // A small document stays in the write buffer until the file is closed: the failure shows
    // only when the buffer is flushed.
    QTest::newRow("small document, no room") << 2800 << 0;
    QTest::newRow("small document, some room") << 10500 << 4096;
    QTest::newRow("large document") << 100000 << 4096;
    QTest::newRow("document written through a body file") << 1100000 << 512 * 1024;
}

void TestRtfFiles::failedSaveKeepsTheOldFile()
{
    QFETCH(int, characters);
    QFETCH(int, room);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("precious.rtf"));
    writeFile(path, "old content");
    QTextDocument doc;
    QTextCursor(&doc).insertText(QString(characters, u'x'));
    QString message;
    {
        FileSizeLimit full(room);
        QVERIFY(full.active());
        message = errorOf([&] { rtf::saveFile(path, doc); });
    }
    QCOMPARE(message, QStringLiteral("Cannot create file \"%1\". %2").arg(path, qt_error_string(EFBIG)));
    QCOMPARE(readFile(path), QByteArray("old content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("precious.rtf")});
}

void TestRtfFiles::nonRegularFilesAreNotRead()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.rtf"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QTextDocument doc;
    QTextCursor(&doc).insertText(QStringLiteral("kept"));
    for (const QString &path : {fifo, QStringLiteral("/dev/zero")}) {
        const QString message = errorOf([&] { rtf::loadFile(path, &doc); }); // must not block
        QVERIFY2(message.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(path)), qPrintable(message));
    }
    QCOMPARE(doc.toPlainText(), QStringLiteral("kept"));
}

void TestRtfFiles::saveKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.rtf"));
    writeFile(path, "old");
    const QFileDevice::Permissions wanted = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                          | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(path, wanted));
    QTextDocument doc;
    rtf::saveFile(path, doc);
    const auto ownerGroupOther = QFileDevice::Permissions::fromInt(0x7077);
    QCOMPARE(QFile::permissions(path) & ownerGroupOther, wanted & ownerGroupOther);
}

void TestRtfFiles::insertsRichTextAtTheCursor_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("boldInserted");
    QTest::newRow("inline") << QByteArray("{\\rtf1 \\b mid}") << "abmidcd" << true;
    QTest::newRow("with paragraphs") << QByteArray("{\\rtf1 one\\par two}") << "abone\ntwocd" << false;
    QTest::newRow("utf-8 flavour") << QByteArray("{\\urtf1 \xe2\xb2\x81}") << QString::fromUtf8("abⲁcd") << false;
    QTest::newRow("without backslash") << QByteArray("{urtf1 \\b x}") << "abxcd" << true;
}

void TestRtfFiles::insertsRichTextAtTheCursor()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QFETCH(bool, boldInserted);
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("abXXcd"));
    cursor.setPosition(2);
    cursor.setPosition(4, QTextCursor::KeepAnchor); // the selection is replaced
    rtf::insertRtf(rtf, cursor);
    QCOMPARE(rtftest::plainText(doc), text);
    QCOMPARE(cursor.position(), text.size() - 2); // the caret after the new text
    QTextCursor probe(&doc);
    probe.setPosition(3);
    QCOMPARE(probe.charFormat().fontWeight() >= QFont::Bold, boldInserted);
}

QTEST_MAIN(TestRtfFiles)
#include "tst_rtffiles.moc"

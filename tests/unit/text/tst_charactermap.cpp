#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "CharacterMap.h"
#include "Errors.h"

using ByteList = QList<QByteArray>;

namespace {

// Entries written as "key|arabic|coptic" for compact rows.
ByteList Entries(const TCharacterMap &map)
{
    ByteList out;
    for (int i = 0; i < map.size(); ++i)
        out.append(map.KeyColumn.at(i) + '|' + map.ArabicColumn.at(i) + '|' + map.CopticColumn.at(i));
    return out;
}

} // namespace

class TestCharacterMap : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void columnsStayAligned();
    void findIsFirstExactOneByteMatch();

    void loadMissingOrDirectory();
    void loadReadsFileAndReplacesOldEntries();
    void loadUnreadableFileThrows();
    void loadRefusesMapsOver16MB();
    void loadFailingReadThrows();

    void decode_data();
    void decode();
    void decodeAgreesWithStrictUtf8OnValidText();
};

void TestCharacterMap::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ByteList>("entries");

    QTest::newRow("empty file") << QByteArray() << ByteList{};
    QTest::newRow("one entry, no final line break") << QByteArray("a\tX\tY") << ByteList{"a|X|Y"};
    QTest::newRow("LF line ends") << QByteArray("a\tX\tY\nb\tP\tQ\n") << ByteList{"a|X|Y", "b|P|Q"};
    QTest::newRow("CR LF line ends") << QByteArray("a\tX\tY\r\nb\tP\tQ\r\n") << ByteList{"a|X|Y", "b|P|Q"};
    QTest::newRow("lone CR dropped, line goes on") << QByteArray("a\tX\rZ\tY\n") << ByteList{"a|XZ|Y"};
    QTest::newRow("CR before CR LF dropped") << QByteArray("a\tX\tY\r\r\nb\tP\tQ") << ByteList{"a|X|Y", "b|P|Q"};
    QTest::newRow("empty field vanishes") << QByteArray("a\t\tX\tY\n") << ByteList{"a|X|Y"};
    QTest::newRow("two fields skipped") << QByteArray("a\tX\nb\tP\tQ\n") << ByteList{"b|P|Q"};
    QTest::newRow("leading TAB ignored") << QByteArray("\ta\tX\tY\n") << ByteList{"a|X|Y"};
    QTest::newRow("fourth field ignored") << QByteArray("a\tX\tY\tZ\n") << ByteList{"a|X|Y"};
    QTest::newRow("trailing TAB changes nothing") << QByteArray("a\tX\tY\t\r\n") << ByteList{"a|X|Y"};
    QTest::newRow("empty lines and plain lines skipped") << QByteArray("\n\r\nheader line\n\t\t\na\tX\tY\n") << ByteList{"a|X|Y"};
    QTest::newRow("spaces kept, no trimming") << QByteArray("a \t X\tY \n") << ByteList{"a | X|Y "};
    QTest::newRow("byte-order mark stays in the key") << QByteArray("\xEF\xBB\xBF" "a\tX\tY\n") << ByteList{"\xEF\xBB\xBF" "a|X|Y"};
    QTest::newRow("same key twice, both kept in order") << QByteArray("a\t1\t2\na\t3\t4\n") << ByteList{"a|1|2", "a|3|4"};
    QTest::newRow("UTF-8 fields kept as bytes") << QByteArray("a\t\xD8\xA7\t\xE2\xB2\x81\n") << ByteList{"a|\xD8\xA7|\xE2\xB2\x81"};
    QTest::newRow("Ctrl+Z at a line start ends the file") << QByteArray("a\tX\tY\n\x1A" "b\tP\tQ\nc\tR\tS\n") << ByteList{"a|X|Y"};
    QTest::newRow("Ctrl+Z as first byte") << QByteArray("\x1A" "a\tX\tY\n") << ByteList{};
    QTest::newRow("Ctrl+Z inside a line cuts it, too few fields left")
        << QByteArray("a\tX\x1A\tY\nb\tP\tQ\n") << ByteList{"b|P|Q"};
    QTest::newRow("Ctrl+Z inside a line cuts the fourth field")
        << QByteArray("a\tX\tY\x1AZ\tW\r\nb\tP\tQ") << ByteList{"a|X|Y", "b|P|Q"};
    QTest::newRow("Ctrl+Z in the skipped rest does not end the file")
        << QByteArray("a\tX\tY\x1A\x1A\nb\tP\tQ") << ByteList{"a|X|Y", "b|P|Q"};
    QTest::newRow("Ctrl+Z after a dropped CR is inside the line")
        << QByteArray("\r\x1A\nb\tP\tQ") << ByteList{"b|P|Q"};
    QTest::newRow("Ctrl+Z cut line with no line break after it") << QByteArray("a\tX\tY\x1AZ") << ByteList{"a|X|Y"};
    QTest::newRow("zero bytes are ordinary") << QByteArray("a\0\tX\tY\n", 8) << ByteList{QByteArray("a\0|X|Y", 6)};
    QTest::newRow("long line") << (QByteArray(100000, 'k') + "\tX\tY") << ByteList{QByteArray(100000, 'k') + "|X|Y"};
}

void TestCharacterMap::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(ByteList, entries);
    TCharacterMap map;
    ParseCharacterMap(file, map);
    QCOMPARE(Entries(map), entries);
}

void TestCharacterMap::columnsStayAligned()
{
    TCharacterMap map;
    ParseCharacterMap("a\tX\tY\nb\tP\nc\tR\tS\tT\n", map);
    QCOMPARE(map.KeyColumn.size(), 2);
    QCOMPARE(map.ArabicColumn.size(), 2);
    QCOMPARE(map.CopticColumn.size(), 2);
    QCOMPARE(map.LineNumbers, (QList<int>{1, 3}));
    // A second parse appends.
    ParseCharacterMap("d\tU\tV", map);
    QCOMPARE(Entries(map), (ByteList{"a|X|Y", "c|R|S", "d|U|V"}));
    map.clear();
    QCOMPARE(map.size(), 0);
    QVERIFY(map.ArabicColumn.isEmpty() && map.CopticColumn.isEmpty());
}

void TestCharacterMap::findIsFirstExactOneByteMatch()
{
    TCharacterMap map;
    ParseCharacterMap("a \t1\t1\nab\t2\t2\na\t3\t3\nA\t4\t4\na\t5\t5\n\xFF\t6\t6\n", map);
    QCOMPARE(map.find('a'), 2);   // "a " and "ab" are two bytes long and never match
    QCOMPARE(map.find('A'), 3);   // case matters
    QCOMPARE(map.find(0xFF), 5);
    QCOMPARE(map.find('b'), -1);
    QCOMPARE(map.find(0), -1);
    TCharacterMap empty;
    QCOMPARE(empty.find('a'), -1);
}

void TestCharacterMap::loadMissingOrDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TCharacterMap map;
    ParseCharacterMap("a\tX\tY", map);
    QVERIFY(!LoadCharacterMapFile(dir.filePath("map.txt"), map));
    QCOMPARE(map.size(), 0);

    QVERIFY(QDir(dir.path()).mkdir("map.txt"));
    ParseCharacterMap("a\tX\tY", map);
    QVERIFY(!LoadCharacterMapFile(dir.filePath("map.txt"), map));
    QCOMPARE(map.size(), 0);
}

void TestCharacterMap::loadReadsFileAndReplacesOldEntries()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("map.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a\t\xD8\xA7\t\xE2\xB2\x81\r\nb\tx\r\n");
    file.close();

    TCharacterMap map;
    ParseCharacterMap("z\tZ\tZ", map);
    QVERIFY(LoadCharacterMapFile(path, map));
    QCOMPARE(Entries(map), ByteList{"a|\xD8\xA7|\xE2\xB2\x81"});

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();
    QVERIFY(LoadCharacterMapFile(path, map));
    QCOMPARE(map.size(), 0);
}

namespace {

// Runs the load and returns the error text, or a null string when nothing was raised.
QString LoadError(const QString &path, TCharacterMap &map)
{
    try {
        LoadCharacterMapFile(path, map);
    } catch (const EKalveroError &error) {
        return error.message();
    }
    return QString();
}

} // namespace

void TestCharacterMap::loadUnreadableFileThrows()
{
    QTemporaryDir dir;
    TCharacterMap map;

    // A socket or a FIFO named map.txt is no map: reading a FIFO would wait for a writer.
    const QString socketPath = dir.filePath("map.txt");
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(socketPath);
    QVERIFY(size_t(encoded.size()) < sizeof(address.sun_path));
    memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ParseCharacterMap("a\tX\tY", map);
    QString message = LoadError(socketPath, map);
    close(fd);
    QCOMPARE(message, QString());
    QCOMPARE(map.size(), 0);
    const QString fifoPath = dir.filePath("fifo.txt");
    QCOMPARE(mkfifo(QFile::encodeName(fifoPath).constData(), 0644), 0);
    QVERIFY(!LoadCharacterMapFile(fifoPath, map));
    QVERIFY(!LoadCharacterMapFile(QStringLiteral("/dev/zero"), map));

    if (geteuid() != 0) {
        const QString path = dir.filePath("locked.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a\tX\tY\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::Permissions()));
        message = LoadError(path, map);
        QVERIFY2(message.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(QDir::toNativeSeparators(path))),
                 qPrintable(message));
    }
}

void TestCharacterMap::loadRefusesMapsOver16MB()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("map.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a\tX\tY\n");
    QVERIFY(file.resize(kMaxMapFileSize)); // the rest is zero bytes: one long line
    file.close();
    TCharacterMap map;
    QVERIFY(LoadCharacterMapFile(path, map));
    QCOMPARE(Entries(map), ByteList{"a|X|Y"});

    QVERIFY(file.resize(kMaxMapFileSize + 1));
    QCOMPARE(LoadError(path, map),
             QStringLiteral("The character map \"%1\" was not read: it is larger than 16 MB").arg(path));
    QCOMPARE(map.size(), 0);
}

void TestCharacterMap::loadFailingReadThrows()
{
    // Opens fine, but reading from the start fails.
    const QString path = QStringLiteral("/proc/self/mem");
    if (!QFileInfo::exists(path))
        QSKIP("needs /proc");
    TCharacterMap map;
    const QString message = LoadError(path, map);
    QVERIFY2(message.startsWith(QStringLiteral("Cannot read file \"/proc/self/mem\". ")), qPrintable(message));
    QCOMPARE(map.size(), 0);
}

void TestCharacterMap::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII") << QByteArray("ab ") << QStringLiteral("ab ");
    QTest::newRow("two bytes: alef") << QByteArray("\xD8\xA7") << QString(QChar(0x0627));
    QTest::newRow("three bytes: alfa") << QByteArray("\xE2\xB2\x81") << QString(QChar(0x2C81));
    QTest::newRow("several characters in one entry")
        << QByteArray("\xE2\xB2\x81\xCC\x85" "a") << (QString(QChar(0x2C81)) + QChar(0x0305) + 'a');
    QTest::newRow("four bytes: surrogate pair") << QByteArray("\xF0\x9F\x98\x80") << QString::fromUcs4(U"\U0001F600");
    QTest::newRow("four bytes among others")
        << QByteArray("a\xF0\x90\x8D\x88\xE2\xB2\x81") << (QChar('a') + QString::fromUcs4(U"\U00010348") + QChar(0x2C81));
    QTest::newRow("highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << QString::fromUcs4(U"\U0010FFFF");

    // Cut short by the end of the entry.
    QTest::newRow("truncated two-byte") << QByteArray("a\xD8") << QString();
    QTest::newRow("truncated three-byte") << QByteArray("a\xE2\xB2") << QString();
    QTest::newRow("truncated four-byte") << QByteArray("a\xF0\x9F") << QString();
    // A following byte outside 0x80-0xBF.
    QTest::newRow("bad continuation, ASCII") << QByteArray("\xD8" "A") << QString();
    QTest::newRow("bad continuation, lead byte") << QByteArray("\xE2\xC2\x81") << QString();
    QTest::newRow("bad continuation in four-byte") << QByteArray("\xF0\x9F\x41\x80") << QString();
    QTest::newRow("one bad sequence spoils all") << QByteArray("abc\xE2\xB2\x81\xD8") << QString();
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QString();
    QTest::newRow("five-byte lead") << QByteArray("\xF8\x88\x80\x80") << QString();

    // Every lead byte is checked: what is not valid UTF-8 gives nothing, whatever its bits say.
    QTest::newRow("overlong two-byte form of U+0000") << QByteArray("\xC0\x80") << QString();
    QTest::newRow("overlong three-byte form") << QByteArray("\xE0\x80\xAF") << QString();
    QTest::newRow("surrogate code point") << QByteArray("\xED\xA0\x80") << QString();
    QTest::newRow("U+0000 as a byte") << QByteArray("a\0b", 3) << QString();
    QTest::newRow("continuation byte as a lead") << QByteArray("\x81\x81") << QString();
    QTest::newRow("F0 with two continuations") << QByteArray("\xF0\x80\x81") << QString();
    QTest::newRow("last code point before the surrogates") << QByteArray("\xED\x9F\xBF") << QString(QChar(0xD7FF));
    QTest::newRow("first code point after the surrogates") << QByteArray("\xEE\x80\x80") << QString(QChar(0xE000));
}

void TestCharacterMap::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString decoded = DecodeMapText(bytes);
    QCOMPARE(decoded, text);
    QCOMPARE(decoded.isEmpty(), text.isEmpty());
}

void TestCharacterMap::decodeAgreesWithStrictUtf8OnValidText()
{
    // Every scalar value, one per entry and in small groups, encoded by Qt.
    QString group;
    for (char32_t code = 1; code <= 0x10FFFF; code += (code < 0x3000 ? 1 : 7)) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        const QString one = QString::fromUcs4(&code, 1);
        QCOMPARE(DecodeMapText(one.toUtf8()), one);
        group += one;
        if (group.size() >= 6) {
            QCOMPARE(DecodeMapText(group.toUtf8()), group);
            group.clear();
        }
    }
}

QTEST_APPLESS_MAIN(TestCharacterMap)
#include "tst_charactermap.moc"

// The check of a loaded map: entries that cannot work are named with their lines, keys written
// in UTF-8 become one-byte keys.
#include <QTest>

#include "CharacterMap.h"
#include "MapCheck.h"

class TestMapCheck : public QObject
{
    Q_OBJECT
private slots:
    void message_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");

        QTest::newRow("a good map says nothing") << QByteArray("a\t\xD8\xA7\t\xE2\xB2\x81\nb\tX\t\xF0\x9F\x98\x80\n")
                                                 << QString();
        QTest::newRow("broken texts, by line")
            << QByteArray("a\tok\tok\n\n"
                          "b\t\xC0\x80\tok\n"          // overlong U+0000
                          "c\tok\t\xED\xA0\x80\r\n"    // surrogate
                          "d\tx\x00y\t\xD8\n"          // U+0000 and a cut-short sequence
                          "e\tok\tok\n", 43)
            << QStringLiteral("map.txt: 3 entries cannot be used: line 3 (the Arabic text is not valid UTF-8), "
                              "line 4 (the Coptic text is not valid UTF-8), "
                              "line 5 (the Arabic and the Coptic text are not valid UTF-8).");
        QTest::newRow("keys that never match")
            << QByteArray("ab\tX\tY\n\xE2\xB2\x81\tX\tY\n\xFF\xFE\tX\tY\n")
            << QStringLiteral("map.txt: 3 entries cannot be used: line 1 (the key \"ab\" is longer than one character "
                              "and never matches), line 2 (the key \"\u2C81\" lies beyond U+00FF and never matches), "
                              "line 3 (the key \"\u00FF\u00FE\" is longer than one character and never matches).");
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBF" "a\tX\tY\nb\tX\tY\n")
            << QStringLiteral("map.txt: 1 entry cannot be used: line 1 (the key begins with a UTF-8 byte-order mark "
                              "and never matches; save the file without one).");
        QTest::newRow("a key in UTF-8 is read as its one byte, a bad text still counts")
            << QByteArray("\xC3\xA9\tX\tY\n\xC2\xA0\tX\t\xC3\n")
            << QStringLiteral("map.txt: 1 entry cannot be used: line 2 (the Coptic text is not valid UTF-8).\n\n"
                              "map.txt: 2 keys were read as one character: "
                              "line 1 (the key \"\u00E9\" is written in UTF-8 and is read as that one character), "
                              "line 2 (the key \"\u00A0\" is written in UTF-8 and is read as that one character).");
        QTest::newRow("both reasons of one entry")
            << QByteArray("xy\t\xC3\tY\n")
            << QStringLiteral("map.txt: 1 entry cannot be used: line 1 (the key \"xy\" is longer than one character "
                              "and never matches; the Arabic text is not valid UTF-8).");
    }

    void message()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TCharacterMap map;
        ParseCharacterMap(file, map);
        const int entries = map.size();
        QCOMPARE(MapProblemsMessage(QStringLiteral("map.txt"), CheckCharacterMap(map)), message);
        QCOMPARE(map.size(), entries); // nothing is dropped
    }

    void keysWrittenInUtf8Match()
    {
        TCharacterMap map;
        ParseCharacterMap("\xC3\xA9\tE\tE\n\xC3\x28\tF\tF\n\xE9\tG\tG\n", map);
        CheckCharacterMap(map);
        QCOMPARE(map.KeyColumn, (QList<QByteArray>{"\xE9", "\xC3\x28", "\xE9"}));
        QCOMPARE(map.find(0xE9), 0); // the first entry still wins
    }
};

QTEST_APPLESS_MAIN(TestMapCheck)
#include "tst_mapcheck.moc"

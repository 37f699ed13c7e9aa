// What the Keyboard Map window shows on each key, for the shipped map.
#include <QSet>
#include <QTest>

#include "CharacterMap.h"
#include "KeyboardMapContent.h"

class TestKeyboardMap : public QObject
{
    Q_OBJECT
    TCharacterMap m_map;

private slots:
    void initTestCase() { QVERIFY(LoadCharacterMapFile(QStringLiteral(KALVERO_SHIPPED_MAP), m_map)); }

    void everyPrintableCharacterHasOneKey()
    {
        QList<char> seen;
        for (const QList<TUsKey> &row : UsKeyboardRows())
            for (const TUsKey &key : row) {
                seen << key.plain;
                if (key.shifted != key.plain)
                    seen << key.shifted;
            }
        QCOMPARE(seen.size(), 95);
        QCOMPARE(QSet<char>(seen.begin(), seen.end()).size(), 95);
        for (const char c : seen)
            QVERIFY(c >= 0x20 && c <= 0x7E);
    }

    void shippedMap_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("arabic");
        QTest::addColumn<QString>("coptic");
        const QString dotted(QChar(0x25CC));
        auto u = [](char16_t c) { return QString(QChar(c)); };
        QTest::newRow("a: fatha on a circle, alfa") << 'a' << "a" << dotted + u(0x064E) << u(0x2C81);
        QTest::newRow("A: alef, capital alfa") << 'A' << "A" << u(0x0627) << u(0x2C80);
        QTest::newRow("R: the right-to-left mark by name") << 'R' << "R" << "U+200F" << u(0x2CA2);
        QTest::newRow("U: itself in Arabic") << 'U' << "U" << "U" << u(0x2CA8);
        QTest::newRow("1: Arabic-Indic digit, itself") << '1' << "1" << u(0x0661) << "1";
        QTest::newRow("backtick: dot above on a circle") << '`' << "`" << dotted + u(0x0670) << dotted + u(0x0307);
        QTest::newRow("minus: overline on a circle") << '-' << "-" << "-" << dotted + u(0x0305);
        QTest::newRow("bracket: shei, a bracket") << ']' << "]" << "]" << "[";
        QTest::newRow("space: not in the map") << ' ' << " " << " " << " ";
    }

    void shippedMap()
    {
        QFETCH(char, key);
        QFETCH(QString, english);
        QFETCH(QString, arabic);
        QFETCH(QString, coptic);
        const auto k = static_cast<unsigned char>(key);
        QCOMPARE(KeyCapText(m_map, 0, k).label, english);
        QCOMPARE(KeyCapText(m_map, 1, k).label, arabic);
        QCOMPARE(KeyCapText(m_map, 2, k).label, coptic);
        const bool inMap = m_map.find(k) >= 0;
        QCOMPARE(KeyCapText(m_map, 0, k).mapped, false);
        QCOMPARE(KeyCapText(m_map, 2, k).mapped, inMap);
    }

    void labels_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("letter and its mark") << QStringLiteral("\u2C81\u0305") << QStringLiteral("\u2C81\u0305");
        QTest::newRow("two marks on one circle") << QStringLiteral("\u0651\u064E") << QStringLiteral("\u25CC\u0651\u064E");
        QTest::newRow("mark after an invisible one") << QStringLiteral("\u200D\u0305") << QStringLiteral("U+200D\u25CC\u0305");
        QTest::newRow("empty: a broken entry") << QString() << QString();
    }

    void labels()
    {
        QFETCH(QString, text);
        QFETCH(QString, label);
        QCOMPARE(KeyCapLabel(text), label);
    }
};

QTEST_APPLESS_MAIN(TestKeyboardMap)
#include "tst_keyboardmap.moc"

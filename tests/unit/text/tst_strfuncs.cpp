#include <QTest>

#include "strFuncs.h"

using ByteList = QList<QByteArray>;

class TestStrFuncs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitCopticCaseTables(); }

    void splitByDelimiter_data();
    void splitByDelimiter();
    void splitEmptiesTheListFirst();

    void caseTablesHoldThirtyOneDistinctPairs();
    void replaceWideChar_data();
    void replaceWideChar();
    void caseConversion_data();
    void caseConversion();
    void upperThenLowerRestoresCapitals();
};

void TestStrFuncs::splitByDelimiter_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<ByteList>("pieces");
    QTest::newRow("empty text") << QByteArray() << ByteList{};
    QTest::newRow("no delimiter") << QByteArray("abc") << ByteList{"abc"};
    QTest::newRow("three fields") << QByteArray("a\tX\tY") << ByteList{"a", "X", "Y"};
    QTest::newRow("run of delimiters is one") << QByteArray("a\t\t\tX") << ByteList{"a", "X"};
    QTest::newRow("leading and trailing delimiters") << QByteArray("\ta\tX\t") << ByteList{"a", "X"};
    QTest::newRow("only delimiters") << QByteArray("\t\t") << ByteList{};
    QTest::newRow("spaces belong to the field") << QByteArray(" a \t b") << ByteList{" a ", " b"};
    QTest::newRow("bytes above 0x7F kept") << QByteArray("\xE2\xB2\x81\t\xD8\xA7") << ByteList{"\xE2\xB2\x81", "\xD8\xA7"};
    QTest::newRow("zero byte is ordinary") << QByteArray("a\0b\tc", 5) << ByteList{QByteArray("a\0b", 3), "c"};
}

void TestStrFuncs::splitByDelimiter()
{
    QFETCH(QByteArray, text);
    QFETCH(ByteList, pieces);
    const QByteArray before = text;
    ByteList list;
    SplitByDelimiter(text, list, '\t');
    QCOMPARE(list, pieces);
    QCOMPARE(text, before);
}

void TestStrFuncs::splitEmptiesTheListFirst()
{
    ByteList list{"old", "entries"};
    SplitByDelimiter("x;y", list, ';');
    QCOMPARE(list, (ByteList{"x", "y"}));
    SplitByDelimiter("", list, ';');
    QVERIFY(list.isEmpty());
}

void TestStrFuncs::caseTablesHoldThirtyOneDistinctPairs()
{
    QCOMPARE(CopticUpperLetters.size(), 31);
    QCOMPARE(CopticLowerLetters.size(), 31);
    // Spot checks at both ends of both blocks and around the gap left by Sou.
    QCOMPARE(CopticUpperLetters.at(0).unicode(), 0x2C80);
    QCOMPARE(CopticLowerLetters.at(0).unicode(), 0x2C81);
    QCOMPARE(CopticUpperLetters.at(4).unicode(), 0x2C88);
    QCOMPARE(CopticUpperLetters.at(5).unicode(), 0x2C8C);
    QCOMPARE(CopticUpperLetters.at(23).unicode(), 0x2CB0);
    QCOMPARE(CopticLowerLetters.at(23).unicode(), 0x2CB1);
    QCOMPARE(CopticUpperLetters.at(24).unicode(), 0x03E2);
    QCOMPARE(CopticLowerLetters.at(30).unicode(), 0x03EF);
    const QString all = CopticUpperLetters + CopticLowerLetters;
    for (QChar c : all)
        QCOMPARE(all.count(c), 1);
    QVERIFY(!all.contains(QChar(0x2C8A)));
    QVERIFY(!all.contains(QChar(0x2C8B)));
    for (int p = 0; p < 31; ++p)
        QCOMPARE(CopticLowerLetters.at(p).unicode(), char16_t(CopticUpperLetters.at(p).unicode() + 1));
}

void TestStrFuncs::replaceWideChar_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("every occurrence") << u"a\u2C80b\u2C80\u2C80"_qs << u"a\u2C81b\u2C81\u2C81"_qs;
    QTest::newRow("none present") << u"abc"_qs << u"abc"_qs;
    QTest::newRow("empty") << QString() << QString();
}

void TestStrFuncs::replaceWideChar()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    ReplaceWideChar(QChar(0x2C80), QChar(0x2C81), text);
    QCOMPARE(text, expected);
}

void TestStrFuncs::caseConversion_data()
{
    QTest::addColumn<QString>("capitals");
    QTest::addColumn<QString>("smalls");
    QTest::newRow("alfa vida gamma") << u"\u2C80\u2C82\u2C84"_qs << u"\u2C81\u2C83\u2C85"_qs;
    QTest::newRow("shei and dei of the Greek block") << u"\u03E2\u03EE"_qs << u"\u03E3\u03EF"_qs;
    QTest::newRow("oou, last of the Coptic block") << u"\u2CB0"_qs << u"\u2CB1"_qs;
    QTest::newRow("mixed with line breaks") << u"\u2C80\r\n\u2C82 x"_qs << u"\u2C81\r\n\u2C83 x"_qs;
    QTest::newRow("empty") << QString() << QString();
}

void TestStrFuncs::caseConversion()
{
    QFETCH(QString, capitals);
    QFETCH(QString, smalls);
    QCOMPARE(CopticToLower(capitals), smalls);
    QCOMPARE(CopticToUpper(smalls), capitals);
    // Already in the target case: no character changes.
    QCOMPARE(CopticToUpper(capitals), capitals);
    QCOMPARE(CopticToLower(smalls), smalls);
}

void TestStrFuncs::upperThenLowerRestoresCapitals()
{
    // Characters that must never change: Latin, Greek, Arabic, Sou, Coptic outside the table
    // (U+2CB2 Old Coptic, U+2CE4 symbol), a surrogate pair.
    const QString untouched = u"abcABC \u03B1\u0391 \u0627 \u2C8A\u2C8B \u2CB2\u2CB3\u2CE4 \U0001F600"_qs;
    QCOMPARE(CopticToUpper(untouched), untouched);
    QCOMPARE(CopticToLower(untouched), untouched);

    const QString capitals = CopticUpperLetters + untouched;
    QCOMPARE(CopticToLower(capitals), CopticLowerLetters + untouched);
    QCOMPARE(CopticToUpper(CopticToLower(capitals)), capitals);
    // Small letters do not survive the round trip the other way when capitals were mixed in.
    const QString mixed = u"\u2C80\u2C81"_qs;
    QCOMPARE(CopticToLower(CopticToUpper(mixed)), u"\u2C81\u2C81"_qs);
}

QTEST_APPLESS_MAIN(TestStrFuncs)
#include "tst_strfuncs.moc"

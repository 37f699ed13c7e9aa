#include <QTest>

#include "Errors.h"
#include "IntConv.h"

class TestIntConv : public QObject
{
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
};

void TestIntConv::accepted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("minus zero") << "-0" << 0;
    QTest::newRow("leading zeros") << "0012" << 12;
    QTest::newRow("leading blanks") << "   12" << 12;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("blanks then sign") << "  -12" << -12;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << qint32(-2147483647 - 1);
    QTest::newRow("dollar hex") << "$1A" << 26;
    QTest::newRow("x hex") << "x1a" << 26;
    QTest::newRow("X hex") << "X1A" << 26;
    QTest::newRow("0x hex") << "0x10" << 16;
    QTest::newRow("0X hex, mixed case digits") << "0XaBc" << 0xABC;
    QTest::newRow("blanks then hex") << " $10" << 16;
    QTest::newRow("hex with many leading zeros") << "$0000000000FF" << 255;
    QTest::newRow("hex largest positive") << "$7FFFFFFF" << 2147483647;
    QTest::newRow("hex is a 32-bit pattern: all ones") << "$FFFFFFFF" << -1;
    QTest::newRow("hex is a 32-bit pattern: sign bit") << "0x80000000" << qint32(-2147483647 - 1);
}

void TestIntConv::accepted()
{
    QFETCH(QString, text);
    QFETCH(qint32, value);
    const std::optional<qint32> result = TryStrToInt(text);
    QVERIFY(result.has_value());
    QCOMPARE(*result, value);
    QCOMPARE(StrToInt(text), value);
}

void TestIntConv::rejected_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("trailing blank") << "12 ";
    QTest::newRow("letters") << "abc";
    QTest::newRow("digits then letter") << "12a";
    QTest::newRow("sign alone") << "+";
    QTest::newRow("minus alone") << "-";
    QTest::newRow("two signs") << "+-1";
    QTest::newRow("blank after sign") << "- 1";
    QTest::newRow("dollar alone") << "$";
    QTest::newRow("0x alone") << "0x";
    QTest::newRow("x alone") << "x";
    QTest::newRow("sign before hex") << "-$10";
    QTest::newRow("sign before 0x") << "+0x10";
    QTest::newRow("bad hex digit") << "$1G";
    QTest::newRow("hex after leading zero") << "00x1";
    QTest::newRow("one past largest") << "2147483648";
    QTest::newRow("one past smallest") << "-2147483649";
    QTest::newRow("far too large") << "99999999999999999999";
    QTest::newRow("nine hex digits") << "$100000000";
    QTest::newRow("tab is not a blank") << "\t12";
    QTest::newRow("decimal point") << "12.0";
    QTest::newRow("zero character inside") << QString::fromUtf16(u"12\0" "3", 4);
    QTest::newRow("Arabic-Indic digits") << QString::fromUtf16(u"\u0661\u0662");
    QTest::newRow("full-width digits") << QString::fromUtf16(u"\uFF11\uFF12");
}

void TestIntConv::rejected()
{
    QFETCH(QString, text);
    QVERIFY(!TryStrToInt(text).has_value());
    try {
        StrToInt(text);
        QFAIL("no error raised");
    } catch (const EKalveroError &error) {
        QCOMPARE(error.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

QTEST_APPLESS_MAIN(TestIntConv)
#include "tst_intconv.moc"

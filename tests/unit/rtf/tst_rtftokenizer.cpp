// The byte-level tokenizer: control words and their delimiters, hex escapes,
// \bin payloads, and skipping of whole groups.
#include "RtfTokenizer.h"

#include <QtTest>

namespace {

// "{ } \\word \\word-12 S:x H:e8 B:payload T:text" for a whole input.
QString tokens(const QByteArray &input)
{
    rtf::RtfTokenizer tokenizer(input.constData(), input.size());
    rtf::RtfToken t;
    QStringList out;
    for (int guard = 0; guard < 1000; ++guard) {
        tokenizer.next(t);
        switch (t.kind) {
        case rtf::RtfToken::End:
            return out.join(u' ');
        case rtf::RtfToken::GroupOpen: out << QStringLiteral("{"); break;
        case rtf::RtfToken::GroupClose: out << QStringLiteral("}"); break;
        case rtf::RtfToken::ControlWord:
            out << u'\\' + QString::fromLatin1(t.text, t.size) + (t.hasParam ? QString::number(t.param) : QString());
            break;
        case rtf::RtfToken::ControlSymbol:
            out << QStringLiteral("S:") + (t.value == '\n' ? QStringLiteral("NL") : t.value == 0 ? QStringLiteral("NUL") : QString(QChar(t.value)));
            break;
        case rtf::RtfToken::HexByte:
            out << QStringLiteral("H:%1").arg(t.value, 2, 16, QChar(u'0'));
            break;
        case rtf::RtfToken::Binary:
            out << QStringLiteral("B:") + QString::fromLatin1(t.text, t.size);
            break;
        case rtf::RtfToken::Text:
            out << QStringLiteral("T:") + QString::fromLatin1(t.text, t.size);
            break;
        }
    }
    return QStringLiteral("no end");
}

} // namespace

class TestRtfTokenizer : public QObject
{
    Q_OBJECT

private slots:
    void splitsTokens_data();
    void splitsTokens();
    void skipsGroups_data();
    void skipsGroups();
};

void TestRtfTokenizer::splitsTokens_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one space after a word is its delimiter") << QByteArray("\\b text") << "\\b T:text";
    QTest::newRow("a second space is text") << QByteArray("\\b  text") << "\\b T: text";
    QTest::newRow("negative parameter, text right after") << QByteArray("\\fi-360x") << "\\fi-360 T:x";
    QTest::newRow("digits run into text") << QByteArray("\\htmlrtf0Start") << "\\htmlrtf0 T:Start";
    QTest::newRow("minus without digits is text") << QByteArray("\\b-x") << "\\b T:-x";
    QTest::newRow("huge parameter saturates") << QByteArray("\\fs99999999999999 a") << "\\fs2147483647 T:a";
    QTest::newRow("groups") << QByteArray("{a}{}") << "{ T:a } { }";
    QTest::newRow("hex byte") << QByteArray("\\'e8\\'C7") << "H:e8 H:c7";
    QTest::newRow("hex with one good digit takes the next character") << QByteArray("\\'3?x") << "H:03 T:x";
    QTest::newRow("hex with one digit before a brace") << QByteArray("\\'3}") << "H:03 }";
    QTest::newRow("hex with no digit") << QByteArray("\\'zz") << "S:NUL T:zz";
    QTest::newRow("escaped specials") << QByteArray("\\\\\\{\\}") << "S:\\ S:{ S:}";
    QTest::newRow("backslash line end") << QByteArray("a\\\r\nb") << "T:a S:NL T:b";
    QTest::newRow("raw line ends are no text") << QByteArray("a\r\nb\rc\n") << "T:a T:b T:c";
    QTest::newRow("NUL bytes dropped") << QByteArray("a\0\0b", 4) << "T:a T:b";
    QTest::newRow("bin payload may hold braces") << QByteArray("\\bin3 {}\\x") << "B:{}\\ T:x";
    QTest::newRow("bin longer than the input") << QByteArray("\\bin999 ab") << "B:ab";
    QTest::newRow("bin without count") << QByteArray("\\bin 0a") << "B: T:0a";
    QTest::newRow("negative bin") << QByteArray("\\bin-5 ab") << "B: T:ab";
    QTest::newRow("unicode then fallback") << QByteArray("\\u-10179?") << "\\u-10179 T:?";
    QTest::newRow("lone backslash at end") << QByteArray("a\\") << "T:a";
    QTest::newRow("word at end of input") << QByteArray("\\par") << "\\par";
    QTest::newRow("ignorable destination") << QByteArray("{\\*\\x y}") << "{ S:* \\x T:y }";
}

void TestRtfTokenizer::splitsTokens()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QCOMPARE(tokens(input), expected);
}

void TestRtfTokenizer::skipsGroups_data()
{
    QTest::addColumn<QByteArray>("input"); // starts after the group's {
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("rest");
    QTest::newRow("flat") << QByteArray("abc}rest") << true << "T:rest";
    QTest::newRow("nested") << QByteArray("{a{b}}c}rest") << true << "T:rest";
    QTest::newRow("escaped braces") << QByteArray("\\{\\}}rest") << true << "T:rest";
    QTest::newRow("bin payload with braces") << QByteArray("\\bin2 }}}rest") << true << "T:rest";
    QTest::newRow("hex digits are not braces") << QByteArray("\\'7d}rest") << true << "T:rest";
    // No payload without a count of its own, whatever number a word before it had.
    QTest::newRow("bin without count after a number") << QByteArray("\\cb2\\bin }}rest") << true << "T: T:rest";
    QTest::newRow("truncated") << QByteArray("{a{b}") << false << "";
    QTest::newRow("backslash at the very end") << QByteArray("a\\") << false << "";
}

void TestRtfTokenizer::skipsGroups()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, closed);
    QFETCH(QString, rest);
    rtf::RtfTokenizer tokenizer(input.constData(), input.size());
    QCOMPARE(tokenizer.skipGroup(), closed);
    QStringList after;
    rtf::RtfToken t;
    for (tokenizer.next(t); t.kind != rtf::RtfToken::End; tokenizer.next(t))
        after << QStringLiteral("T:") + QString::fromLatin1(t.text, t.size);
    QCOMPARE(after.join(u' '), rest);
}

QTEST_MAIN(TestRtfTokenizer)
#include "tst_rtftokenizer.moc"

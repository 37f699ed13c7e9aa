// Paragraph direction in the main window: the two commands in the menus and on the tool bar,
// the direction a typed character gives an empty paragraph, and plain-text files.
#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include "FormatTestSupport.h"

namespace {

// a types an Arabic letter in Arabic and a Coptic one in Coptic.
const QByteArray TestMap = "a\t\xD8\xA7\t\xE2\xB2\x81\n";

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        const int key = ch == u'\r' ? int(Qt::Key_Return) : ch.unicode() < 0x80 ? int(ch.toUpper().unicode()) : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

TParaDirection directionOfParagraph(TMainForm &form, int number)
{
    return TParaAttributes::DirectionOf(form.Editor->document()->findBlockByNumber(number).blockFormat());
}

} // namespace

class DirectionTests : public QObject
{
    Q_OBJECT
private slots:
    void commandsSetTheParagraphsAndFollowTheCaret();
    void typingGivesAnEmptyParagraphTheLanguagesDirection_data();
    void typingGivesAnEmptyParagraphTheLanguagesDirection();
    void paragraphBreakKeepsTheDirection();
    void plainTextTakesTheFirstStrongCharacter();
};

void DirectionTests::commandsSetTheParagraphsAndFollowTheCaret()
{
    FormFixture f(TestMap);
    QVERIFY(f.show());
    f->Editor->ReplaceSelection(QStringLiteral("one\r\ntwo\r\nthree"));
    QVERIFY(f->acLeftToRight->isChecked() && f->miLeftToRight->isChecked() && !f->RighttoLeft1->isChecked());
    f->Editor->SetSel(1, 6); // the first two paragraphs
    f->RighttoLeft1->trigger();
    QCOMPARE(directionOfParagraph(*f, 0), TParaDirection::RightToLeft);
    QCOMPARE(directionOfParagraph(*f, 1), TParaDirection::RightToLeft);
    QCOMPARE(directionOfParagraph(*f, 2), TParaDirection::LeftToRight);
    QVERIFY(f->btnRightToLeft->isChecked());
    QVERIFY(f->miRightToLeft->isChecked());
    QVERIFY(f->RightAlign->isChecked());
    // The buttons follow the caret.
    f->Editor->SetSelStart(12);
    QVERIFY(f->btnLeftToRight->isChecked());
    QVERIFY(f->LeftAlign->isChecked());
    f->Editor->SetSelStart(0);
    QVERIFY(f->btnRightToLeft->isChecked());
    // Back with the tool bar button.
    f->btnLeftToRight->click();
    QCOMPARE(directionOfParagraph(*f, 0), TParaDirection::LeftToRight);
    QVERIFY(f->LefttoRight1->isChecked());
    QVERIFY(f->LeftAlign->isChecked());
    // While the controls are refreshed, the command does nothing.
    f->ControlsRefreshing = true;
    f->ParaDirectionClick(TParaDirection::RightToLeft);
    f->ControlsRefreshing = false;
    QCOMPARE(directionOfParagraph(*f, 0), TParaDirection::LeftToRight);
}

void DirectionTests::typingGivesAnEmptyParagraphTheLanguagesDirection_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("before"); // text already in the paragraph, typed in English
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("alignment");
    QTest::newRow("Arabic into an empty paragraph") << 1 << QString() << 1 << 1;
    QTest::newRow("Coptic into an empty paragraph") << 2 << QString() << 0 << 0;
    QTest::newRow("Arabic after English text keeps left to right") << 1 << QStringLiteral("x") << 0 << 0;
}

void DirectionTests::typingGivesAnEmptyParagraphTheLanguagesDirection()
{
    QFETCH(int, language);
    QFETCH(QString, before);
    QFETCH(int, direction);
    QFETCH(int, alignment);
    FormFixture f(TestMap);
    QVERIFY(f.show());
    typeText(f->Editor, before);
    f->SwitchLanguage(language == 1 ? f->LanguageArabic : f->LanguageCoptic);
    typeText(f->Editor, QStringLiteral("aa"));
    QCOMPARE(int(f->Editor->Paragraph().Direction()), direction);
    QCOMPARE(f->Editor->Paragraph().Alignment(), alignment);
    QCOMPARE(f->btnRightToLeft->isChecked(), direction == 1);
    // English text typed into the paragraph now keeps its direction.
    f->SwitchLanguage(f->LanguageEnglish);
    typeText(f->Editor, QStringLiteral("b"));
    QCOMPARE(int(f->Editor->Paragraph().Direction()), direction);
}

// A paragraph break at the end of a paragraph gives the new one the same direction; an
// English letter typed into it then makes it left to right.
void DirectionTests::paragraphBreakKeepsTheDirection()
{
    FormFixture f(TestMap);
    QVERIFY(f.show());
    f->SwitchLanguage(f->LanguageArabic);
    typeText(f->Editor, QStringLiteral("a\r"));
    QCOMPARE(directionOfParagraph(*f, 1), TParaDirection::RightToLeft);
    QCOMPARE(f->Editor->Paragraph().Alignment(), 1);
    f->SwitchLanguage(f->LanguageEnglish);
    typeText(f->Editor, QStringLiteral("b"));
    QCOMPARE(directionOfParagraph(*f, 1), TParaDirection::LeftToRight);
    QCOMPARE(directionOfParagraph(*f, 0), TParaDirection::RightToLeft);
}

// Plain-text paragraphs read right to left (and align right) when their first strong
// character is right to left, as a browser does for dir=auto.
void DirectionTests::plainTextTakesTheFirstStrongCharacter()
{
    FormFixture f(TestMap);
    QVERIFY(f.show());
    const QString path = f.folder.filePath(QStringLiteral("mixed.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString::fromUtf8("«١٢٣ مرحبا» Kalvero\r\n(12) Kalvero مرحبا\r\n\xE2\xB2\x81 text\r\n123 ...\r\n").toUtf8());
    file.close();
    f->LoadDocument(path);
    QCOMPARE(directionOfParagraph(*f, 0), TParaDirection::RightToLeft);
    QCOMPARE(TParaAttributes::AlignmentOf(f->Editor->document()->findBlockByNumber(0).blockFormat()), 1);
    QCOMPARE(directionOfParagraph(*f, 1), TParaDirection::LeftToRight);
    QCOMPARE(directionOfParagraph(*f, 2), TParaDirection::LeftToRight);
    QCOMPARE(directionOfParagraph(*f, 3), TParaDirection::LeftToRight);
    QVERIFY(f->btnRightToLeft->isChecked());
}

QTEST_MAIN(DirectionTests)
#include "tst_direction.moc"

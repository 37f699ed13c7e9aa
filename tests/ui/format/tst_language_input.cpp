// Language input in the main window: the map file in the working directory, typed keys in each
// language, the language button and shortcuts, and the keyboard-layout check.
#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "Errors.h"
#include "TKeyboardMapWindow.h"
#include "ToolbarImages.h"
#include "FormatTestSupport.h"

namespace {

// Entries: a and A differ by case; b twice (the first wins); "c " is two bytes and never
// matches; k inserts two letters; e holds a character beyond U+FFFF; i is not valid UTF-8.
const QByteArray TestMap = "a\t\xD8\xA7\t\xE2\xB2\x81\n"
                           "A\t\xD8\xA8\t\xE2\xB2\x80\n"
                           "b\tX1\tY1\r\n"
                           "b\tX2\tY2\n"
                           "c \tZ\tZ\n"
                           "k\t\xD9\x83\xD8\xA7\t\xE2\xB2\x95\xE2\xB2\x81\n"
                           "e\t\xF0\x9F\x98\x80\t\xF0\x9F\x98\x80\n"
                           "i\t\xC3\t\xC3\n";

// Sends one key press and release per character, as the keyboard would for typed text.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        const int key = ch.unicode() < 0x80 ? int(QChar(ch).toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

QAction *languageItem(TMainForm &form, int language)
{
    return language == 0 ? form.LanguageEnglish : language == 1 ? form.LanguageArabic : form.LanguageCoptic;
}

QList<bool> checkMarks(TMainForm &form)
{
    return {form.LanguageEnglish->isChecked(), form.LanguageArabic->isChecked(), form.LanguageCoptic->isChecked()};
}

} // namespace

class LanguageInput : public QObject
{
    Q_OBJECT
private slots:
    void mapIsReadFromTheWorkingDirectory();
    void missingMapIsReported();
    void reloadMap();
    void keyboardMapWindow();
    void directoryNamedMapCountsAsMissing();
    void typedKeys_data();
    void typedKeys();
    void keysAboveLatin1MatchOnlyByte255();
    void selectionIsReplaced_data();
    void selectionIsReplaced();
    void emptyMapLeavesKeysAlone();
    void mappedTypingUndoesLikeTyping();
    void buttonCycles();
    void buttonWithOtherImageDoesNothing();
    void menuItemsAndShortcutsSwitch();
    void layoutCheck_data();
    void layoutCheck();
    void caretMovesCheckTheLayoutExceptInArabic();
    void layoutFollowsTheWindowFocus();
};

void LanguageInput::mapIsReadFromTheWorkingDirectory()
{
    FormFixture f(TestMap);
    QCOMPARE(f->CharacterMap.size(), 8);
    QCOMPARE(f->CharacterMap.KeyColumn[4], QByteArray("c "));
    // The two entries that cannot work are named once; the rest of the map works.
    const QString problems =
        QStringLiteral("%1: 2 entries cannot be used: line 5 (the key \"c \" is longer than one character and never "
                       "matches), line 8 (the Arabic and the Coptic text are not valid UTF-8).")
            .arg(f.folder.filePath("map.txt"));
    QCOMPARE(f.prompts->messages, QStringList{problems});
    // Loading again empties the lists first.
    QVERIFY(f->LoadCharacterMap());
    QCOMPARE(f->CharacterMap.size(), 8);
}

// Reload Map reads the file again without a restart, checks it again, and reports a map that
// has gone.
void LanguageInput::reloadMap()
{
    FormFixture f("a\tX\tY\n");
    QVERIFY(f.show());
    f->SwitchLanguage(f->LanguageCoptic);
    QFile map(f.folder.filePath("map.txt"));
    QVERIFY(map.open(QIODevice::WriteOnly | QIODevice::Truncate));
    map.write("a\tX\t\xE2\xB2\x81\nb\tX\t\xC0\x80\n");
    map.close();
    f->miReloadMap->trigger();
    QCOMPARE(f->CharacterMap.size(), 2);
    QCOMPARE(f.prompts->messages,
             QStringList{QStringLiteral("%1: 1 entry cannot be used: line 2 (the Coptic text is not valid UTF-8).")
                             .arg(f.folder.filePath("map.txt"))});
    typeText(f->Editor, QStringLiteral("ab"));
    QCOMPARE(f->Editor->Text(), QString(QChar(0x2C81)));
    QVERIFY(map.remove());
    f->miReloadMap->trigger();
    QCOMPARE(f->CharacterMap.size(), 0);
    QCOMPARE(f.prompts->messages.last(), QStringLiteral("Couldn't find \"map.txt\" program can not work without it"));
}

void LanguageInput::missingMapIsReported()
{
    FormFixture f;
    QCOMPARE(f->CharacterMap.size(), 0);
    QCOMPARE(f.prompts->messages, QStringList{QStringLiteral("Couldn't find \"map.txt\" program can not work without it")});
    QVERIFY(!f->LoadCharacterMap());
}

// Ctrl+K opens the Keyboard Map; it follows the language and the map at once, and a click on
// a key types what the key types.
void LanguageInput::keyboardMapWindow()
{
    FormFixture f(TestMap);
    QVERIFY(f.show());
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QTest::keyClick(f->Editor, Qt::Key_K, Qt::ControlModifier);
    TKeyboardMapWindow *map = f->KeyboardMap;
    QVERIFY(map && map->isVisible());
    QCOMPARE(map->windowTitle(), QStringLiteral("Keyboard Map"));
    QVERIFY(!map->isModal() && map->isWindow());
    QCOMPARE(map->Label('a'), QStringLiteral("a"));

    f->SwitchLanguage(f->LanguageCoptic);
    QCOMPARE(map->Label('a'), QString(QChar(0x2C81)));
    QCOMPARE(map->Label('A'), QString(QChar(0x2C80)));
    QCOMPARE(map->Label('z'), QStringLiteral("z")); // not in the map: typed as it is
    QVERIFY(map->IsMapped('a') && !map->IsMapped('z'));

    const QRect a = map->KeyRect('a');
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(a.center().x(), a.bottom() - 4));
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(a.center().x(), a.top() + 4));
    const QRect k = map->KeyRect('k');
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(k.center().x(), k.bottom() - 4));
    QCOMPARE(f->Editor->Text(), QStringLiteral("\u2C81\u2C80\u2C95\u2C81"));

    f->btnLang->click(); // Coptic -> English -> Arabic
    f->btnLang->click();
    QCOMPARE(map->Label('a'), QString(QChar(0x0627)));
    QFile file(f.folder.filePath("map.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("a\tQ\tY\n") == 6);
    file.close();
    f->miReloadMap->trigger();
    QCOMPARE(map->Label('a'), QStringLiteral("Q"));
}

void LanguageInput::directoryNamedMapCountsAsMissing()
{
    FormFixture f(TestMap);
    QVERIFY(QFile::remove(f.folder.filePath("map.txt")));
    QVERIFY(QDir(f.folder.path()).mkdir("map.txt"));
    QVERIFY(!f->LoadCharacterMap());
    QCOMPARE(f->CharacterMap.size(), 0);
}

void LanguageInput::typedKeys_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("English leaves mapped keys alone") << 0 << "aAbk" << "aAbk";
    QTest::newRow("Arabic a") << 1 << "a" << QString(QChar(0x0627));
    QTest::newRow("Coptic a") << 2 << "a" << QString(QChar(0x2C81));
    QTest::newRow("Arabic A differs from a") << 1 << "A" << QString(QChar(0x0628));
    QTest::newRow("Coptic A differs from a") << 2 << "A" << QString(QChar(0x2C80));
    QTest::newRow("first match wins, Arabic") << 1 << "b" << "X1";
    QTest::newRow("first match wins, Coptic") << 2 << "b" << "Y1";
    QTest::newRow("two-byte key never matches") << 2 << "c" << "c";
    QTest::newRow("unmapped key goes in as typed") << 1 << "z" << "z";
    QTest::newRow("several characters in one entry") << 2 << "k" << QString::fromUtf8("\xE2\xB2\x95\xE2\xB2\x81");
    QTest::newRow("character beyond U+FFFF") << 2 << "e" << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("invalid entry inserts nothing") << 2 << "aia" << QString(2, QChar(0x2C81));
    QTest::newRow("a word") << 2 << "Abz" << QString(QChar(0x2C80)) + "Y1z";
    QTest::newRow("above U+00FF without key 255") << 2 << QString(QChar(0x0100)) << QString(QChar(0x0100));
}

void LanguageInput::typedKeys()
{
    QFETCH(int, language);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    FormFixture f(TestMap);
    f->SwitchLanguage(languageItem(*f, language));
    typeText(f->Editor, typed);
    QCOMPARE(f->Editor->Text(), expected);
}

void LanguageInput::keysAboveLatin1MatchOnlyByte255()
{
    FormFixture f(QByteArray("\xFF\tA255\tC255\n"));
    f->SwitchLanguage(f->LanguageCoptic);
    typeText(f->Editor, QString(QChar(0x0100)) + QChar(0x00FF) + QChar(0x00E9) + QChar(0x2C81));
    QCOMPARE(f->Editor->Text(), QString("C255C255") + QChar(0x00E9) + "C255");
}

void LanguageInput::selectionIsReplaced_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("mapped key") << "a" << QString("h") + QChar(0x2C81) + "o";
    QTest::newRow("unmapped key") << "z" << "hzo";
    QTest::newRow("invalid entry deletes the selection") << "i" << "ho";
}

void LanguageInput::selectionIsReplaced()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    FormFixture f(TestMap);
    f->Editor->ReplaceSelection("hello");
    f->SwitchLanguage(f->LanguageCoptic);
    f->Editor->SetSel(1, 3);
    typeText(f->Editor, typed);
    QCOMPARE(f->Editor->Text(), expected);
}

void LanguageInput::emptyMapLeavesKeysAlone()
{
    FormFixture f;
    for (int language : {1, 2}) {
        f->SwitchLanguage(languageItem(*f, language));
        typeText(f->Editor, "ab");
    }
    QCOMPARE(f->Editor->Text(), QString("abab"));
}

// Mapped keys join one undo step as typed keys do; a paragraph break, a caret move elsewhere and
// a format change end it. English typing of the same keys is the measure.
void LanguageInput::mappedTypingUndoesLikeTyping()
{
    const auto lengthsAfterEachUndo = [](int typedIn) {
        FormFixture f(TestMap);
        f->SwitchLanguage(languageItem(*f, typedIn));
        typeText(f->Editor, "aka");
        QTest::keyClick(f->Editor, Qt::Key_Return);
        typeText(f->Editor, "kaz");
        QTest::keyClick(f->Editor, Qt::Key_Home);
        typeText(f->Editor, "ak");
        f->BoldButton->click();
        typeText(f->Editor, "a");
        // Counted in keys: "k" inserts two letters in Arabic and Coptic.
        const auto keys = [&f, typedIn] {
            const int letters = int(f->Editor->document()->characterCount()) - 1;
            return typedIn == 0 ? letters : letters - int(f->Editor->Text().count(QChar(typedIn == 1 ? 0x0643 : 0x2C95)));
        };
        QList<int> lengths{keys()};
        for (int steps = 0; f->Editor->CanUndo() && steps < 30; ++steps) {
            f->Editor->undo();
            lengths << keys();
        }
        return lengths;
    };
    QCOMPARE(lengthsAfterEachUndo(1), lengthsAfterEachUndo(0));
    QCOMPARE(lengthsAfterEachUndo(2), lengthsAfterEachUndo(0));
}

void LanguageInput::buttonCycles()
{
    FormFixture f(TestMap);
    QCOMPARE(f->ActiveLanguage, quint8(0));
    QCOMPARE(checkMarks(*f), QList<bool>({true, false, false}));
    const QList<QList<bool>> marks{{false, true, false}, {false, false, true}, {true, false, false}};
    const QList<int> images{16, 17, 15};
    for (int click = 0; click < 3; ++click) {
        f->btnLang->click();
        QCOMPARE(int(f->ActiveLanguage), (click + 1) % 3);
        QCOMPARE(checkMarks(*f), marks[click]);
        QCOMPARE(ImageIndex(f->btnLang), images[click]);
    }
}

void LanguageInput::buttonWithOtherImageDoesNothing()
{
    FormFixture f(TestMap);
    SetImageIndex(f->btnLang, 3);
    f->btnLangClick();
    QCOMPARE(f->ActiveLanguage, quint8(0));
    QCOMPARE(checkMarks(*f), QList<bool>({true, false, false}));
}

void LanguageInput::menuItemsAndShortcutsSwitch()
{
    FormFixture f(TestMap);
    QVERIFY(f.show());
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QTest::keyClick(f->Editor, Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(f->ActiveLanguage, quint8(2));
    QCOMPARE(checkMarks(*f), QList<bool>({false, false, true}));
    QTest::keyClick(f->Editor, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(f->ActiveLanguage, quint8(1));
    QCOMPARE(ImageIndex(f->btnLang), 16);
    // Choosing the checked item again keeps it checked.
    f->LanguageArabic->trigger();
    QCOMPARE(checkMarks(*f), QList<bool>({false, true, false}));
    QTest::keyClick(f->Editor, Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(f->ActiveLanguage, quint8(0));
    QCOMPARE(ImageIndex(f->btnLang), 15);
    QVERIFY(f->Editor->hasFocus());
}

void LanguageInput::layoutCheck_data()
{
    QTest::addColumn<QStringList>("layouts");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("activeAfter");
    QTest::newRow("Arabic leaves the layout alone") << QStringList{"de", "us"} << 1 << 0 << "de";
    QTest::newRow("Coptic steps to us") << QStringList{"de", "us"} << 2 << 1 << "us";
    QTest::newRow("English steps to us") << QStringList{"de", "us"} << 0 << 1 << "us";
    QTest::newRow("Coptic with us active") << QStringList{"us", "de"} << 2 << 0 << "us";
    QTest::newRow("no US layout: no stepping") << QStringList{"de", "fr"} << 2 << 0 << "de";
}

void LanguageInput::layoutCheck()
{
    QFETCH(QStringList, layouts);
    QFETCH(int, language);
    QFETCH(int, steps);
    QFETCH(QString, activeAfter);
    FormFixture f(TestMap);
    // Start from Arabic so that switching itself is what is measured.
    f->SwitchLanguage(f->LanguageArabic);
    f.layouts->setLayouts(layouts, 0);
    f.layouts->clearCalls();
    f->SwitchLanguage(languageItem(*f, language));
    QCOMPARE(f.layouts->activateNextCount(), steps);
    QCOMPARE(f.layouts->activeLayout(), activeAfter);
    if (language == 1)
        QCOMPARE(f.layouts->calls(), QStringList());
}

void LanguageInput::caretMovesCheckTheLayoutExceptInArabic()
{
    FormFixture f(TestMap);
    f->Editor->ReplaceSelection("some text");
    f->SwitchLanguage(f->LanguageArabic);
    f.layouts->setLayouts({"de", "us"}, 0);
    f.layouts->clearCalls();
    f->Editor->SetSelStart(2);
    f->Editor->SetSelStart(4);
    QCOMPARE(f.layouts->calls(), QStringList());

    f->SwitchLanguage(f->LanguageCoptic);
    QCOMPARE(f.layouts->activeLayout(), QString("us"));
    // The user picks another layout; the next caret move in Coptic steps on again.
    f.layouts->setLayouts({"de", "us"}, 0);
    f.layouts->clearCalls();
    f->Editor->SetSelStart(1);
    QVERIFY(f.layouts->activateNextCount() >= 1);
    QCOMPARE(f.layouts->activeLayout(), QString("us"));
}

// Other programs keep the layout the user had: it comes back when the window loses the focus,
// and the window's own comes back with the focus.
void LanguageInput::layoutFollowsTheWindowFocus()
{
    FormFixture f(TestMap, {"de", "us"}, 0);
    QVERIFY(f.show());
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f->SwitchLanguage(f->LanguageCoptic);
    QCOMPARE(f.layouts->activeLayout(), QString("us"));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(f.layouts->activeLayout(), QString("de"));
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QCOMPARE(f.layouts->activeLayout(), QString("us"));
}

QTEST_MAIN(LanguageInput)
#include "tst_language_input.moc"

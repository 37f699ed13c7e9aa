// Editing through the control: typed keys and their 8-bit codes, replace selection,
// events, the window's shortcuts, flags, clearing, pasting, margins and printing.
#include "RichEditTestSupport.h"

#include "Errors.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QInputMethodEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextFrame>
#include <QUrl>

namespace {

struct KeyRecorder
{
    QList<int> codes;
    void attach(TTntRichEdit &editor)
    {
        editor.OnKeyPress = [this](unsigned char &key) { codes << key; };
    }
};

} // namespace

class TestRichEditEditing : public QObject
{
    Q_OBJECT

private slots:
    void keyPressCodes_data();
    void keyPressCodes();
    void swallowedKeysInsertNothing_data();
    void swallowedKeysInsertNothing();
    void handlerReplacesKeyWithText();
    void handlerKeepsOrderOfSeveralCharacters_data();
    void handlerKeepsOrderOfSeveralCharacters();
    void handlerChangesCode();
    void readOnlyRaisesNoKeyPress();
    void keyUpReportsKey();
    void replaceSelectionBreaks_data();
    void replaceSelectionBreaks();
    void replaceSelectionRichDetection_data();
    void replaceSelectionRichDetection();
    void replaceSelectionRichUnicode_data();
    void replaceSelectionRichUnicode();
    void replaceSelectionIsUndoable();
    void replaceSelectionEmptyDeletes();
    void replacePlainTakesInsertionFormat();
    void changeAndSelectionEvents();
    void eventsOnceWhenTyping();
    void modifiedFlag();
    void clearEmptiesTextAndHistory();
    void windowShortcutsWinOverride_data();
    void windowShortcutsWinOverride();
    void windowActionFiresOnKey();
    void pasteTurnsLineBreaksIntoParagraphs();
    void pasteReplacesStrayPictureMarks();
    void fileDropsAreLeftToWindow();
    void formattingRectKeepsMargins();
    void printWritesWholeDocument();
    void loadReplacesDocument_data();
    void loadReplacesDocument();
    void failedLoadKeepsDocument();
    void saveWritesRichText();
    void failedSaveReports();
    void pasteOfTablesGoesInAsText();
};

void TestRichEditEditing::keyPressCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("modifiers");

    QTest::newRow("latin letter") << int(Qt::Key_A) << "a" << QList<int>{97} << "xa" << int(Qt::NoModifier);
    QTest::newRow("latin-1 letter") << int(Qt::Key_unknown) << QString(QChar(0xE9)) << QList<int>{233}
                                    << QString("x") + QChar(0xE9) << int(Qt::NoModifier);
    QTest::newRow("y diaeresis") << int(Qt::Key_unknown) << QString(QChar(0xFF)) << QList<int>{255}
                                 << QString("x") + QChar(0xFF) << int(Qt::NoModifier);
    QTest::newRow("first above latin-1") << int(Qt::Key_unknown) << QString(QChar(0x100)) << QList<int>{255}
                                         << QString("x") + QChar(0x100) << int(Qt::NoModifier);
    QTest::newRow("coptic") << int(Qt::Key_unknown) << QString(QChar(0x2C81)) << QList<int>{255}
                            << QString("x") + QChar(0x2C81) << int(Qt::NoModifier);
    QTest::newRow("arabic") << int(Qt::Key_unknown) << QString(QChar(0x0628)) << QList<int>{255}
                            << QString("x") + QChar(0x0628) << int(Qt::NoModifier);
    QTest::newRow("surrogate pair") << int(Qt::Key_unknown) << QString::fromUcs4(U"\U0001F600") << QList<int>{255}
                                    << QString("x") + QString::fromUcs4(U"\U0001F600") << int(Qt::NoModifier);
    QTest::newRow("two characters") << int(Qt::Key_unknown) << "bc" << QList<int>{98, 99} << "xbc" << int(Qt::NoModifier);
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << "\b" << QList<int>{8} << "" << int(Qt::NoModifier);
    QTest::newRow("enter") << int(Qt::Key_Return) << "\r" << QList<int>{13} << "x\r\n" << int(Qt::NoModifier);
    QTest::newRow("tab") << int(Qt::Key_Tab) << "\t" << QList<int>{9} << "x\t" << int(Qt::NoModifier);
    QTest::newRow("delete raises none") << int(Qt::Key_Delete) << "\x7f" << QList<int>{} << "x" << int(Qt::NoModifier);
    QTest::newRow("alt+letter types nothing") << int(Qt::Key_X) << "x" << QList<int>{} << "x" << int(Qt::AltModifier);
    QTest::newRow("altgr letter types") << int(Qt::Key_E) << QString(QChar(0x20AC)) << QList<int>{255}
                                        << QString("x") + QChar(0x20AC) << int(Qt::ControlModifier | Qt::AltModifier);
    QTest::newRow("ctrl+letter types nothing") << int(Qt::Key_B) << "\x02" << QList<int>{} << "x" << int(Qt::ControlModifier);
    QTest::newRow("arrow raises none") << int(Qt::Key_Left) << "" << QList<int>{} << "x" << int(Qt::NoModifier);
}

void TestRichEditEditing::keyPressCodes()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QList<int>, codes);
    QFETCH(QString, result);
    QFETCH(int, modifiers);
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(QStringLiteral("x"));
    KeyRecorder recorder;
    recorder.attach(editor);
    typeText(&editor, text, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(recorder.codes, codes);
    QCOMPARE(editor.Text(), result);
}

void TestRichEditEditing::swallowedKeysInsertNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter") << int(Qt::Key_A) << "a";
    QTest::newRow("coptic") << int(Qt::Key_unknown) << QString(QChar(0x2C81));
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << "\b";
    QTest::newRow("enter") << int(Qt::Key_Return) << "\r";
    QTest::newRow("tab") << int(Qt::Key_Tab) << "\t";
}

void TestRichEditEditing::swallowedKeysInsertNothing()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(QStringLiteral("xy"));
    editor.SetModified(false);
    int calls = 0;
    editor.OnKeyPress = [&calls](unsigned char &code) {
        ++calls;
        code = 0;
    };
    typeText(&editor, text, Qt::Key(key));
    QCOMPARE(calls, 1);
    QCOMPARE(editor.Text(), QStringLiteral("xy"));
    QVERIFY(!editor.Modified());
}

// The keystroke path of a mapped key: the handler swallows the key and replaces the
// selection with the mapped text.
void TestRichEditEditing::handlerReplacesKeyWithText()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(QStringLiteral("ab"));
    editor.document()->clearUndoRedoStacks();
    editor.SetSel(0, 1);
    editor.OnKeyPress = [&editor](unsigned char &code) {
        if (code == 'q') {
            code = 0;
            editor.ReplaceSelection(QString(QChar(0x2C81)) + QChar(0x0300));
        }
    };
    QTest::keyClick(&editor, Qt::Key_Q);
    QCOMPARE(editor.Text(), QString(QChar(0x2C81)) + QChar(0x0300) + "b");
    QCOMPARE(editor.SelStart(), 2);
    QTest::keyClick(&editor, Qt::Key_W);
    QCOMPARE(editor.Text(), QString(QChar(0x2C81)) + QChar(0x0300) + "wb");
    // The mapped text is in the undo history like typing.
    QVERIFY(editor.CanUndo());
    for (int step = 0; step < 3 && editor.CanUndo(); ++step)
        editor.undo();
    QCOMPARE(editor.Text(), QStringLiteral("ab"));
}

// Several characters in one input (compose, an input method) go through the handler one by one,
// in order: a handler that inserts text of its own does not jump ahead of what came before.
void TestRichEditEditing::handlerKeepsOrderOfSeveralCharacters_data()
{
    QTest::addColumn<bool>("inputMethod");
    QTest::newRow("one key event") << false;
    QTest::newRow("input method commit") << true;
}

void TestRichEditEditing::handlerKeepsOrderOfSeveralCharacters()
{
    QFETCH(bool, inputMethod);
    TTntRichEdit editor;
    prepareEditor(editor);
    QList<int> codes;
    editor.OnKeyPress = [&editor, &codes](unsigned char &code) {
        codes << code;
        if (code == 'a') {
            code = 0;
            editor.ReplaceSelection(QString(QChar(0x2C81)));
        }
    };
    const QString input = QStringLiteral("zaz");
    if (inputMethod) {
        QInputMethodEvent commit;
        commit.setCommitString(input);
        QApplication::sendEvent(&editor, &commit);
    } else {
        typeText(&editor, input);
    }
    QCOMPARE(codes, (QList<int>{'z', 'a', 'z'}));
    QCOMPARE(editor.Text(), QStringLiteral("z") + QChar(0x2C81) + QStringLiteral("z"));
}

void TestRichEditEditing::handlerChangesCode()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.OnKeyPress = [](unsigned char &code) {
        if (code == 'a')
            code = 'b';
        else if (code == 255)
            code = 0xE9;
    };
    QTest::keyClick(&editor, Qt::Key_A);
    typeText(&editor, QString(QChar(0x0628)));
    QCOMPARE(editor.Text(), QString("b") + QChar(0xE9));
}

void TestRichEditEditing::readOnlyRaisesNoKeyPress()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(QStringLiteral("ab"));
    KeyRecorder recorder;
    recorder.attach(editor);
    editor.SetReadOnlyState(true);
    QTest::keyClick(&editor, Qt::Key_C);
    QCOMPARE(editor.Text(), QStringLiteral("ab"));
    QVERIFY(recorder.codes.isEmpty());
    // The caret still moves by keyboard.
    editor.SetSel(2, 0);
    QTest::keyClick(&editor, Qt::Key_Left);
    QCOMPARE(editor.SelStart(), 1);
    editor.SetReadOnlyState(false);
    QTest::keyClick(&editor, Qt::Key_C);
    QCOMPARE(editor.Text(), QStringLiteral("acb"));
    QCOMPARE(recorder.codes, QList<int>{'c'});
}

void TestRichEditEditing::keyUpReportsKey()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    QList<int> keys;
    editor.OnKeyUp = [&keys](int &key, Qt::KeyboardModifiers) { keys << key; };
    QTest::keyClick(&editor, Qt::Key_A);
    QTest::keyClick(&editor, Qt::Key_Left);
    QCOMPARE(keys, (QList<int>{Qt::Key_A, Qt::Key_Left}));
}

void TestRichEditEditing::replaceSelectionBreaks_data()
{
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("selStart");

    // Inserted into "[]" between "<" and ">".
    QTest::newRow("CR LF") << "a\r\nb" << "<a\r\nb>" << 2 << 5;
    QTest::newRow("LF") << "a\nb" << "<a\r\nb>" << 2 << 5;
    QTest::newRow("CR") << "a\rb" << "<a\r\nb>" << 2 << 5;
    QTest::newRow("line separator") << QString("a") + QChar(0x2028) + "b" << "<a\r\nb>" << 2 << 5;
    QTest::newRow("LF CR is two") << "a\n\rb" << "<a\r\n\r\nb>" << 3 << 7;
    QTest::newRow("CR LF CR LF") << "\r\n\r\n" << "<\r\n\r\n>" << 3 << 5;
    QTest::newRow("no break") << "abc" << "<abc>" << 1 << 4;
    // The mark of a picture with no picture behind it, and a surrogate without its partner.
    QTest::newRow("stray marks") << QString::fromUtf16(u"a\uFFFCb\xD83D") << QString::fromUtf16(u"<a\uFFFDb\uFFFD>") << 1 << 5;
}

void TestRichEditEditing::replaceSelectionBreaks()
{
    QFETCH(QString, inserted);
    QFETCH(QString, text);
    QFETCH(int, blocks);
    QFETCH(int, selStart);
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("<[]>"));
    editor.SetSel(1, 2);
    editor.ReplaceSelection(inserted);
    QCOMPARE(editor.Text(), text);
    QCOMPARE(editor.document()->blockCount(), blocks);
    QCOMPARE(editor.SelStart(), selStart);
    QCOMPARE(editor.SelLength(), 0);
    QVERIFY(!editor.document()->toRawText().contains(QChar::LineSeparator));
}

void TestRichEditEditing::replaceSelectionRichDetection_data()
{
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<bool>("rich");
    QTest::newRow("rtf") << "{\\rtf1 hello}" << true;
    QTest::newRow("RTF upper") << "{\\RTF1 hello}" << true;
    QTest::newRow("urtf") << "{urtf1 hello}" << true;
    QTest::newRow("URTF mixed") << "{uRtF1 hello}" << true;
    QTest::newRow("leading blank") << " {\\rtf1 hello}" << false;
    QTest::newRow("inside") << "x{\\rtf1 hello}" << false;
    QTest::newRow("no brace") << "\\rtf1 hello" << false;
}

// Rich text goes to the RTF reader and never shows its control words; anything else is
// inserted literally.
void TestRichEditEditing::replaceSelectionRichDetection()
{
    QFETCH(QString, inserted);
    QFETCH(bool, rich);
    TTntRichEdit editor;
    editor.ReplaceSelection(inserted);
    if (rich) {
        QVERIFY2(!editor.Text().contains(QLatin1String("rtf"), Qt::CaseInsensitive), qPrintable(editor.Text()));
    } else {
        QCOMPARE(editor.Text(), inserted);
    }
    // The plain variant never takes the rich branch.
    TTntRichEdit plain;
    plain.ReplaceSelectionPlain(inserted);
    QCOMPARE(plain.Text(), inserted);
}

// Rich text handed over as Unicode keeps its characters: beyond Latin-1 they cannot be code-page
// bytes of the RTF, and in the UTF-8 flavour every character is text.
void TestRichEditEditing::replaceSelectionRichUnicode_data()
{
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("text");
    QTest::newRow("coptic in rtf") << QStringLiteral(u"{\\rtf1 \u2c80\u2c81 x}") << QStringLiteral(u"\u2c80\u2c81 x");
    QTest::newRow("arabic in rtf") << QStringLiteral(u"{\\rtf1\\ansi \u0627\u0644}") << QStringLiteral(u"\u0627\u0644");
    QTest::newRow("beyond U+FFFF") << QStringLiteral(u"{\\rtf1 a\U0001F600b}") << QStringLiteral(u"a\U0001F600b");
    QTest::newRow("latin-1 byte with coptic") << QStringLiteral(u"{\\rtf1 \u00e9\u2c80}") << QStringLiteral(u"\u00e9\u2c80");
    QTest::newRow("urtf") << QStringLiteral(u"{urtf1 \u2c80\u0627}") << QStringLiteral(u"\u2c80\u0627");
}

void TestRichEditEditing::replaceSelectionRichUnicode()
{
    QFETCH(QString, inserted);
    QFETCH(QString, text);
    TTntRichEdit editor;
    editor.ReplaceSelection(inserted);
    QCOMPARE(editor.Text(), text);
}

void TestRichEditEditing::replaceSelectionIsUndoable()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("abc"));
    editor.document()->clearUndoRedoStacks();
    QVERIFY(!editor.CanUndo());
    editor.SetSel(1, 1);
    editor.ReplaceSelection(QStringLiteral("X\nY"));
    QVERIFY(editor.CanUndo());
    QCOMPARE(editor.Text(), QStringLiteral("aX\r\nYc"));
    editor.undo();
    QCOMPARE(editor.Text(), QStringLiteral("abc"));
    QVERIFY(!editor.CanUndo());
}

void TestRichEditEditing::replaceSelectionEmptyDeletes()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab\ncd"));
    editor.SetSel(1, 4);
    editor.ReplaceSelection(QString());
    QCOMPARE(editor.Text(), QStringLiteral("ad"));
    QCOMPARE(editor.SelStart(), 1);
    // With no selection nothing changes.
    editor.SetModified(false);
    editor.ReplaceSelection(QString());
    QCOMPARE(editor.Text(), QStringLiteral("ad"));
}

void TestRichEditEditing::replacePlainTakesInsertionFormat()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab"));
    editor.SetSel(1, 0);
    editor.SelAttributes().SetStyle(fsBold);
    editor.ReplaceSelection(QStringLiteral("X\nY"));
    editor.SetSel(1, 1);
    QCOMPARE(editor.SelAttributes().Style(), int(fsBold));
    editor.SetSel(4, 1);
    QCOMPARE(editor.SelAttributes().Style(), int(fsBold));
    editor.SetSel(5, 1);
    QCOMPARE(editor.SelAttributes().Style(), 0);
    // Replacing a selection takes the format of its first character.
    editor.SetSel(4, 2);
    editor.ReplaceSelection(QStringLiteral("Z"));
    editor.SetSel(4, 1);
    QCOMPARE(editor.SelText(), QStringLiteral("Z"));
    QCOMPARE(editor.SelAttributes().Style(), int(fsBold));
}

void TestRichEditEditing::changeAndSelectionEvents()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("ab\ncd"));
    int changes = 0;
    int moves = 0;
    editor.OnChange = [&changes] { ++changes; };
    editor.OnSelectionChange = [&moves] { ++moves; };

    editor.SetSel(1, 0);
    QCOMPARE(moves, 1);
    QCOMPARE(changes, 0);
    editor.SetSel(1, 0); // the same selection again
    QCOMPARE(moves, 1);
    editor.SetSel(1, 2);
    QCOMPARE(moves, 2);
    editor.SelAttributes().SetStyle(fsBold);
    QCOMPARE(changes, 1);
    QCOMPARE(moves, 2);
    editor.ReplaceSelection(QStringLiteral("Q"));
    QCOMPARE(changes, 2);
    QCOMPARE(moves, 3);
    // Moving inside a break gives one change of selection.
    editor.SetSel(4, 0);
    const int before = moves;
    editor.SetSel(3, 1);
    editor.SetSel(2, 1);
    QCOMPARE(moves, before + 1);
}

void TestRichEditEditing::eventsOnceWhenTyping()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    QStringList order;
    editor.OnChange = [&order] { order << "change"; };
    editor.OnSelectionChange = [&order] { order << "selection"; };
    editor.OnKeyPress = [&order](unsigned char &) { order << "key"; };
    QTest::keyClick(&editor, Qt::Key_A);
    QCOMPARE(order, (QStringList{"key", "selection", "change"}));
    order.clear();
    QTest::keyClick(&editor, Qt::Key_Left);
    QCOMPARE(order, QStringList{"selection"});
    order.clear();
    QTest::keyClick(&editor, Qt::Key_Delete);
    QCOMPARE(order, QStringList{"change"});
}

void TestRichEditEditing::modifiedFlag()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    QVERIFY(!editor.Modified());
    QVERIFY(!editor.CanUndo());
    QTest::keyClick(&editor, Qt::Key_A);
    QVERIFY(editor.Modified());
    QVERIFY(editor.CanUndo());
    editor.SetModified(false);
    QVERIFY(!editor.Modified());
    editor.SetSel(0, 1);
    editor.SelAttributes().SetStyle(fsItalic);
    QVERIFY(editor.Modified());
    editor.SetModified(false);
    editor.SetSel(0, 0);
    QVERIFY(!editor.Modified());
}

void TestRichEditEditing::clearEmptiesTextAndHistory()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    editor.ReplaceSelection(QStringLiteral("one\ntwo"));
    editor.Paragraph().SetAlignment(2);
    editor.SetSel(0, 3);
    editor.SelAttributes().SetStyle(fsBold);
    int changes = 0;
    editor.OnChange = [&changes] { ++changes; };
    editor.Clear();
    QCOMPARE(editor.Text(), QString());
    QVERIFY(!editor.CanUndo());
    QCOMPARE(editor.SelStart(), 0);
    QCOMPARE(editor.Paragraph().Alignment(), 0);
    QCOMPARE(editor.SelAttributes().Style(), 0);
    QVERIFY(changes >= 1);
    QTest::keyClick(&editor, Qt::Key_A);
    QCOMPARE(editor.Text(), QStringLiteral("a"));
}

void TestRichEditEditing::windowShortcutsWinOverride_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("editorKeeps");

    // The window holds actions for Ctrl+A, Del, Ctrl+C and Ctrl+Z, and Ctrl+Y by the setter.
    QTest::newRow("select all") << int(Qt::Key_A) << int(Qt::ControlModifier) << false;
    QTest::newRow("delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << false;
    QTest::newRow("copy") << int(Qt::Key_C) << int(Qt::ControlModifier) << false;
    QTest::newRow("undo") << int(Qt::Key_Z) << int(Qt::ControlModifier) << false;
    QTest::newRow("registered key") << int(Qt::Key_Y) << int(Qt::ControlModifier) << false;
    QTest::newRow("backspace stays") << int(Qt::Key_Backspace) << int(Qt::NoModifier) << true;
    QTest::newRow("ctrl+left stays") << int(Qt::Key_Left) << int(Qt::ControlModifier) << true;
    QTest::newRow("typing stays") << int(Qt::Key_B) << int(Qt::NoModifier) << true;
}

void TestRichEditEditing::windowShortcutsWinOverride()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, editorKeeps);
    QMainWindow window;
    auto *editor = new TTntRichEdit(&window);
    window.setCentralWidget(editor);
    for (const QKeySequence &sequence : {QKeySequence(Qt::CTRL | Qt::Key_A), QKeySequence(Qt::Key_Delete),
                                         QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Z)}) {
        auto *action = new QAction(&window);
        action->setShortcut(sequence);
        window.addAction(action);
    }
    editor->SetWindowShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y)});
    const QString text = (key == Qt::Key_B) ? QStringLiteral("b") : QString();
    QKeyEvent override(QEvent::ShortcutOverride, key, Qt::KeyboardModifiers(modifiers), text);
    override.ignore();
    QApplication::sendEvent(editor, &override);
    QCOMPARE(override.isAccepted(), editorKeeps);
}

// Through the real shortcut machinery: Ctrl+A runs the window's action, and the editor
// does not select all by itself.
void TestRichEditEditing::windowActionFiresOnKey()
{
    QMainWindow window;
    auto *editor = new TTntRichEdit(&window);
    window.setCentralWidget(editor);
    int selectAll = 0;
    int deletes = 0;
    auto *selectAllAction = new QAction(&window);
    selectAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    QObject::connect(selectAllAction, &QAction::triggered, &window, [&selectAll] { ++selectAll; });
    window.addAction(selectAllAction);
    auto *deleteAction = new QAction(&window);
    deleteAction->setShortcut(QKeySequence(Qt::Key_Delete));
    QObject::connect(deleteAction, &QAction::triggered, &window, [&deletes] { ++deletes; });
    window.addAction(deleteAction);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    editor->ReplaceSelection(QStringLiteral("abc"));
    editor->SetSel(0, 0);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectAll, 1);
    QCOMPARE(editor->SelLength(), 0);
    QTest::keyClick(editor, Qt::Key_Delete);
    QCOMPARE(deletes, 1);
    QCOMPARE(editor->Text(), QStringLiteral("abc"));
}

void TestRichEditEditing::pasteTurnsLineBreaksIntoParagraphs()
{
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("[]"));
    editor.SetSel(1, 0);
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("one<br>two<br>three"));
    mime->setText(QStringLiteral("one\ntwo\nthree"));
    QGuiApplication::clipboard()->setMimeData(mime);
    QVERIFY(editor.CanPaste());
    editor.paste();
    QCOMPARE(editor.Text(), QStringLiteral("[one\r\ntwo\r\nthree]"));
    QVERIFY(!editor.document()->toRawText().contains(QChar::LineSeparator));
    // The paste is one undo step.
    editor.undo();
    QCOMPARE(editor.Text(), QStringLiteral("[]"));
}

// Plain text copied from a page with pictures holds U+FFFC where each was; a picture pasted
// keeps its own.
void TestRichEditEditing::pasteReplacesStrayPictureMarks()
{
    TTntRichEdit editor;
    auto *mime = new QMimeData;
    mime->setText(QString::fromUtf16(u"a\uFFFCb"));
    QGuiApplication::clipboard()->setMimeData(mime);
    editor.paste();
    QCOMPARE(editor.Text(), QString::fromUtf16(u"a\uFFFDb"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    editor.paste();
    QCOMPARE(editor.Text(), QString::fromUtf16(u"a\uFFFDb\uFFFC"));
}

void TestRichEditEditing::fileDropsAreLeftToWindow()
{
    TTntRichEdit editor;
    prepareEditor(editor);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/some.rtf"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QDragEnterEvent enterText(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &enterText);
    QVERIFY(enterText.isAccepted());
}

void TestRichEditEditing::formattingRectKeepsMargins()
{
    TTntRichEdit editor;
    prepareEditor(editor, 300, 200);
    editor.ReplaceSelection(QStringLiteral("text"));
    editor.SetModified(false);
    editor.document()->clearUndoRedoStacks();
    const int width = editor.viewport()->width();
    const int height = editor.viewport()->height();
    QCOMPARE(editor.ClientWidth(), width);
    // The rectangle the window sets on every repaint: 6 pixels off both sides.
    for (int round = 0; round < 3; ++round) {
        editor.SetFormattingRect(QRect(QPoint(6, 0), QPoint(editor.viewport()->width() - 7, editor.viewport()->height() - 1)));
        QCOMPARE(editor.viewport()->width(), width);
        QCOMPARE(editor.FormattingRect(), QRect(6, 0, width - 12, height));
    }
    editor.SetFormattingRect(QRect(10, 0, width - 30, height));
    QCOMPARE(editor.FormattingRect(), QRect(10, 0, width - 30, height));
    // Margins are no edit of the text.
    QVERIFY(!editor.Modified());
    QVERIFY(!editor.CanUndo());
    // The text starts at the left edge of the rectangle and wraps before its right edge.
    editor.SetSel(0, 0);
    QCOMPARE(editor.cursorRect().left(), 10);
    editor.SetSel(4, 0);
    editor.ReplaceSelection(QString(" word").repeated(40));
    editor.SetSel(editor.Text().size(), 0);
    QVERIFY(editor.LineFromChar(editor.CaretPos()) > 0);
    const QTextBlock block = editor.document()->firstBlock();
    for (int i = 0; i < block.layout()->lineCount(); ++i)
        QVERIFY(block.layout()->lineAt(i).naturalTextWidth() <= width - 30);
    // A cleared document keeps the margins.
    editor.Clear();
    QCOMPARE(editor.cursorRect().left(), 10);
}

void TestRichEditEditing::printWritesWholeDocument()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    TTntRichEdit editor;
    QStringList lines;
    for (int i = 0; i < 150; ++i)
        lines << QStringLiteral("Line number %1").arg(i);
    editor.ReplaceSelection(lines.join('\n'));
    editor.SetSel(0, 0);
    editor.Paragraph().SetNumbering(1); // a bullet at the very left of the page
    editor.SetSel(5, 10);
    editor.SetModified(false);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    editor.Print(QStringLiteral("/home/user/letter.rtf"), &printer);
    QCOMPARE(printer.docName(), QStringLiteral("/home/user/letter.rtf"));
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(20000));
    const QString printed = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY(printed.contains(QStringLiteral("Line number 0")));
    QVERIFY(printed.contains(QChar(0x2022)));
    QVERIFY(printed.contains(QStringLiteral("Line number 149")));
    QVERIFY(printed.count(QChar('\f')) >= 2); // more than one page
    // No page numbers of its own: every printed line is document text.
    for (const QString &line : printed.split(QRegularExpression(QStringLiteral("[\n\f]")), Qt::SkipEmptyParts))
        QVERIFY2(line.trimmed().isEmpty() || line.trimmed().contains(QStringLiteral("Line number")), qPrintable(line));
    QVERIFY(!editor.Modified());
    QCOMPARE(editor.SelLength(), 10);
}

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

} // namespace

void TestRichEditEditing::loadReplacesDocument_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("firstStyle");
    QTest::newRow("rich text") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\b Hello\\b0\\par World}")
                               << "Hello\r\nWorld" << int(fsBold);
    QTest::newRow("plain 8-bit text") << QByteArray("caf\xe9\r\nline") << QString("caf") + QChar(0xE9) + "\r\nline" << 0;
    QTest::newRow("empty file") << QByteArray() << "" << 0;
}

// A load replaces text and history: nothing to undo, not modified, caret at the start,
// the side margins kept.
void TestRichEditEditing::loadReplacesDocument()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, firstStyle);
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("doc.rtf"), bytes);
    TTntRichEdit editor;
    prepareEditor(editor);
    QTest::keyClicks(&editor, QStringLiteral("old text"));
    editor.SetSel(2, 3);
    int changes = 0;
    editor.OnChange = [&changes] { ++changes; };
    editor.LoadFromFile(path);
    QCOMPARE(editor.Text(), text);
    QVERIFY(!editor.Modified());
    QVERIFY(!editor.CanUndo());
    QCOMPARE(editor.SelStart(), 0);
    QCOMPARE(editor.SelLength(), 0);
    QVERIFY(changes >= 1);
    editor.SetSel(0, 1);
    QCOMPARE(editor.SelAttributes().Style(), firstStyle);
    editor.SetSel(0, 0);
    QCOMPARE(editor.cursorRect().left(), 6);
    // The loaded document edits like any other.
    QTest::keyClick(&editor, Qt::Key_Z);
    QVERIFY(editor.Modified());
    QVERIFY(editor.Text().startsWith('z'));
    QCOMPARE(editor.LineFromChar(editor.document()->characterCount() - 1), text.count(QLatin1String("\r\n")));
}

void TestRichEditEditing::failedLoadKeepsDocument()
{
    QTemporaryDir dir;
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("keep\nme"));
    editor.SetSel(1, 2);
    QString message;
    try {
        editor.LoadFromFile(dir.filePath(QStringLiteral("missing.rtf")));
    } catch (const EKalveroError &error) {
        message = error.message();
    }
    QVERIFY2(message.startsWith(QStringLiteral("Cannot open file")), qPrintable(message));
    QCOMPARE(editor.Text(), QStringLiteral("keep\r\nme"));
    QVERIFY(editor.Modified());
    QVERIFY(editor.CanUndo());
    QCOMPARE(editor.SelStart(), 1);
    QCOMPARE(editor.SelLength(), 2);
}

void TestRichEditEditing::saveWritesRichText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    TTntRichEdit editor;
    editor.ReplaceSelection(QString("bold ") + QChar(0x2C81) + "\nplain");
    editor.SetSel(0, 4);
    editor.SelAttributes().SetStyle(fsBold);
    editor.SaveToFile(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("{\\rtf"));
    QVERIFY(editor.Modified()); // saving leaves the flag to the window
    TTntRichEdit again;
    again.LoadFromFile(path);
    QCOMPARE(again.Text(), editor.Text());
    again.SetSel(0, 1);
    QCOMPARE(again.SelAttributes().Style(), int(fsBold));
    again.SetSel(8, 1);
    QCOMPARE(again.SelAttributes().Style(), 0);
}

void TestRichEditEditing::failedSaveReports()
{
    QTemporaryDir dir;
    TTntRichEdit editor;
    editor.ReplaceSelection(QStringLiteral("text"));
    QString message;
    try {
        editor.SaveToFile(dir.filePath(QStringLiteral("no/such/folder/out.rtf")));
    } catch (const EKalveroError &error) {
        message = error.message();
    }
    QVERIFY2(message.startsWith(QStringLiteral("Cannot create file")), qPrintable(message));
    QVERIFY(editor.Modified());
}

// Tables and pictures have no place in this editor's documents: such a paste goes in as its
// plain text.
void TestRichEditEditing::pasteOfTablesGoesInAsText()
{
    TTntRichEdit editor;
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<table><tr><td>one</td><td>two</td></tr></table>"));
    mime->setText(QStringLiteral("one\ttwo"));
    QGuiApplication::clipboard()->setMimeData(mime);
    editor.paste();
    QCOMPARE(editor.Text(), QStringLiteral("one\ttwo"));
    QCOMPARE(editor.document()->rootFrame()->childFrames().size(), 0);
    auto *bold = new QMimeData;
    bold->setHtml(QStringLiteral("<b>strong</b> words"));
    bold->setText(QStringLiteral("strong words"));
    QGuiApplication::clipboard()->setMimeData(bold);
    editor.Clear();
    editor.paste();
    QCOMPARE(editor.Text(), QStringLiteral("strong words"));
    editor.SetSel(0, 1);
    QCOMPARE(editor.SelAttributes().Style(), int(fsBold));
}

QTEST_MAIN(TestRichEditEditing)
#include "tst_richedit_editing.moc"

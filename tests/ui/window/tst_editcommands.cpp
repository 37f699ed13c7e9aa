// Caret position display, the enabling of the Edit actions and the edit commands with their keys.
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "TStatusBar.h"
#include "WindowFixture.h"

class TestEditCommands : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    FormUnderTest f;

    // Puts the caret at a position of the document (a paragraph break counts one).
    void placeCaret(int docPos)
    {
        QTextCursor c = f->Editor->textCursor();
        c.setPosition(docPos);
        f->Editor->setTextCursor(c);
    }

    QString panel0() const { return f->StatusBar->PanelText(0); }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Kalvero"));
        QVERIFY(m_work.isValid());
        QVERIFY(QDir::setCurrent(m_work.path()));
    }

    void init()
    {
        // One key must never match two shortcuts.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Ambiguous shortcut")));
        removeSettings();
        QGuiApplication::clipboard()->clear();
        f = makeForm();
        QVERIFY(showActive(f.form.get()));
        f->Editor->setFocus();
    }

    void cleanup()
    {
        f.form.reset();
        removeSettings();
    }

    void caretPosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("docPos");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty document") << "" << 0 << "Line:   1   Col:   1";
        QTest::newRow("start of text") << "abc" << 0 << "Line:   1   Col:   1";
        QTest::newRow("end of first line") << "abc" << 3 << "Line:   1   Col:   4";
        QTest::newRow("start of second paragraph") << "ab\r\ncd" << 3 << "Line:   2   Col:   1";
        QTest::newRow("after third character of second paragraph") << "ab\r\ncdefg" << 6 << "Line:   2   Col:   4";
        QTest::newRow("empty paragraphs") << "\r\n\r\n\r\nx" << 3 << "Line:   4   Col:   1";
        QTest::newRow("LF breaks") << "a\nb\nc" << 5 << "Line:   3   Col:   2";
    }
    void caretPosition()
    {
        QFETCH(QString, text);
        QFETCH(int, docPos);
        QFETCH(QString, shown);
        f->Editor->ReplaceSelection(text);
        placeCaret(docPos);
        f->ShowCaretPosition();
        QCOMPARE(panel0(), shown);
    }

    void caretPositionWithLargeNumbers()
    {
        QString text;
        for (int i = 0; i < 1204; ++i)
            text += QStringLiteral("p\r\n");
        f->Editor->ReplaceSelection(text + QStringLiteral("xy"));
        placeCaret(f->Editor->document()->characterCount() - 1);
        f->ShowCaretPosition();
        QCOMPARE(panel0(), QStringLiteral("Line: 1205   Col:   3"));
    }

    // A paragraph that wraps: the caret at the start of its second display line is on the
    // next line, column 1; two characters further, column 3.
    void caretPositionInWrappedParagraph()
    {
        f->resize(300, 400);
        QString words;
        for (int i = 0; i < 40; ++i)
            words += QStringLiteral("word%1 ").arg(i);
        f->Editor->ReplaceSelection(QStringLiteral("first\r\n") + words);
        QTest::qWait(0);
        const QTextBlock second = f->Editor->document()->findBlockByNumber(1);
        f->Editor->document()->documentLayout()->blockBoundingRect(second); // lays it out
        QTextLayout *layout = second.layout();
        QVERIFY2(layout->lineCount() > 2, "the paragraph should wrap");
        const int lineStart = second.position() + layout->lineAt(1).textStart();
        placeCaret(lineStart);
        f->ShowCaretPosition();
        QCOMPARE(panel0(), QStringLiteral("Line:   3   Col:   1"));
        placeCaret(lineStart + 2);
        f->ShowCaretPosition();
        QCOMPARE(panel0(), QStringLiteral("Line:   3   Col:   3"));
    }

    void caretPositionFollowsTheCaret()
    {
        f->Editor->ReplaceSelection(QStringLiteral("ab\r\ncd"));
        placeCaret(4);
        QCOMPARE(panel0(), QStringLiteral("Line:   2   Col:   2"));
        QTest::keyClick(f->Editor, Qt::Key_Home);
        QCOMPARE(panel0(), QStringLiteral("Line:   2   Col:   1"));
    }

    void resizingRefreshesTheCaretPosition()
    {
        f->Editor->ReplaceSelection(QStringLiteral("ab\r\ncd"));
        placeCaret(4);
        f->StatusBar->SetPanelText(0, QStringLiteral("stale"));
        f->resize(f->width() + 40, f->height() + 10);
        QTRY_COMPARE(panel0(), QStringLiteral("Line:   2   Col:   2"));
    }

    void modifiedMark()
    {
        f->FormShow(); // as at start: the mark follows the editor's flag
        QCOMPARE(f->StatusBar->PanelText(1), QString());
        QTest::keyClicks(f->Editor, QStringLiteral("a"));
        QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
        f->Editor->SetModified(false);
        f->RichEditChange();
        QCOMPARE(f->StatusBar->PanelText(1), QString());

        // Undoing back to the text as it stood when the flag was cleared keeps the mark (and
        // the flag): only New, open and save clear it. Redo does not clear it either.
        QTest::keyClicks(f->Editor, QStringLiteral("b"));
        f->EditUndoCmd->trigger();
        QCOMPARE(f->Editor->Text(), QStringLiteral("a"));
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
        f->Editor->SetModified(false);
        f->Editor->redo();
        f->Editor->undo();
        QVERIFY(f->Editor->Modified());
        QCOMPARE(f->StatusBar->PanelText(1), QStringLiteral("Modified"));
        f->Editor->SetModified(false);
        f->RichEditChange();
        QCOMPARE(f->StatusBar->PanelText(1), QString());
    }

    void actionsAtStart()
    {
        f->ActionList2Update();
        QVERIFY(!f->EditCutCmd->isEnabled());
        QVERIFY(!f->EditCopyCmd->isEnabled());
        QVERIFY(!f->EditUndoCmd->isEnabled());
        QVERIFY(!f->EditPasteCmd->isEnabled());
        for (QAction *always : {f->FileNewCmd, f->FileOpenCmd, f->FileSaveCmd, f->FileSaveAsCmd, f->FilePrintCmd,
                                f->FileExitCmd, f->EditFontCmd, f->acCopyff})
            QVERIFY(always->isEnabled());
    }

    void actionsFollowSelectionClipboardAndHistory()
    {
        QTest::keyClicks(f->Editor, QStringLiteral("hello"));
        QVERIFY(f->EditUndoCmd->isEnabled());
        QVERIFY(!f->EditCutCmd->isEnabled());
        QTest::keyClick(f->Editor, Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(f->EditCutCmd->isEnabled());
        QVERIFY(f->EditCopyCmd->isEnabled());
        QVERIFY(!f->EditPasteCmd->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
        QTRY_VERIFY(f->EditPasteCmd->isEnabled());
        QGuiApplication::clipboard()->clear();
        QTRY_VERIFY(!f->EditPasteCmd->isEnabled());
    }

    // Del goes to the pop-up menu's Delete: it removes a selection, and with nothing selected
    // the character after the caret, a letter together with its combining marks.
    void deleteKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("caret");
        const QString marked = QStringLiteral("a\u2C81\u0300\u0305b"); // alfa with two marks
        QTest::newRow("nothing selected") << "abcdef" << 2 << 0 << "abdef" << 2;
        QTest::newRow("nothing selected at end") << "abcdef" << 6 << 0 << "abcdef" << 6;
        QTest::newRow("letter with its marks") << marked << 1 << 0 << "ab" << 1;
        QTest::newRow("paragraph break") << "ab\r\ncd" << 2 << 0 << "abcd" << 2;
        QTest::newRow("selection") << "abcdef" << 2 << 2 << "abef" << 2;
        QTest::newRow("everything") << "abcdef" << 0 << 6 << "" << 0;
    }
    void deleteKey()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, after);
        QFETCH(int, caret);
        f->Editor->ReplaceSelection(text);
        f->Editor->SetSel(start, length);
        QSignalSpy deleted(f->mnuEditDelete, &QAction::triggered);
        QTest::keyClick(f->Editor, Qt::Key_Delete);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(f->Editor->Text(), after);
        QCOMPARE(f->Editor->SelStart(), caret);
        QCOMPARE(f->Editor->SelLength(), 0);
        if (text != after) {
            QTest::keyClick(f->Editor, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(f->Editor->Text(), text);
        }
    }

    void selectAllKey()
    {
        f->Editor->ReplaceSelection(QStringLiteral("ab\r\ncd"));
        QSignalSpy selected(f->SelectAll1, &QAction::triggered);
        QTest::keyClick(f->Editor, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(f->Editor->SelStart(), 0);
        QCOMPARE(f->Editor->SelLength(), 6);
    }

    void cutCopyPasteUndoKeys()
    {
        QTest::keyClicks(f->Editor, QStringLiteral("one two"));
        f->Editor->SetSel(4, 3);
        QSignalSpy copied(f->EditCopyCmd, &QAction::triggered);
        QTest::keyClick(f->Editor, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(copied.count(), 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("two"));
        QTest::keyClick(f->Editor, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(f->Editor->Text(), QStringLiteral("one "));
        f->Editor->SetSel(0, 0);
        QTest::keyClick(f->Editor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f->Editor->Text(), QStringLiteral("twoone "));
        QTest::keyClick(f->Editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f->Editor->Text(), QStringLiteral("one "));
    }

    void popupItemsRunTheirCommands()
    {
        f->Editor->ReplaceSelection(QStringLiteral("abc"));
        f->SelectAll1->trigger();
        QCOMPARE(f->Editor->SelLength(), 3);
        f->Copy1->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("abc"));
        f->Editor->SetSel(1, 1);
        f->mnuEditDelete->trigger();
        QCOMPARE(f->Editor->Text(), QStringLiteral("ac"));
    }

    // A disabled Edit action does nothing, whoever triggers it.
    void disabledActionDoesNothing()
    {
        f->Editor->ReplaceSelection(QStringLiteral("abc"));
        QGuiApplication::clipboard()->setText(QStringLiteral("keep"));
        f->EditCutItem->trigger(); // nothing selected: brought up to date, found disabled
        QCOMPARE(f->Editor->Text(), QStringLiteral("abc"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("keep"));
    }

    // The window's keys work while the editor has the focus, each running its command once.
    void windowKeysFromTheEditor_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("asked");
        QTest::newRow("Ctrl+O") << QKeySequence("Ctrl+O") << "Open: Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT [unscripted]";
        QTest::newRow("Ctrl+S") << QKeySequence("Ctrl+S") << "Save: Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT [unscripted]";
        QTest::newRow("Ctrl+P") << QKeySequence("Ctrl+P") << "Print [unscripted]";
    }
    void windowKeysFromTheEditor()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, asked);
        f.prompts->Log.clear();
        QTest::keySequence(f->Editor, keys);
        QCOMPARE(f.prompts->Log, QStringList{asked});
    }

    // The formatting keys of word processors click the style and alignment buttons.
    void formattingKeys_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("alignment");
        QTest::newRow("Ctrl+B") << QKeySequence("Ctrl+B") << int(fsBold) << 0;
        QTest::newRow("Ctrl+I") << QKeySequence("Ctrl+I") << int(fsItalic) << 0;
        QTest::newRow("Ctrl+U") << QKeySequence("Ctrl+U") << int(fsUnderline) << 0;
        QTest::newRow("Ctrl+E") << QKeySequence("Ctrl+E") << 0 << 2;
        QTest::newRow("Ctrl+R, then Ctrl+L") << QKeySequence("Ctrl+R, Ctrl+L") << 0 << 0;
    }
    void formattingKeys()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(int, style);
        QFETCH(int, alignment);
        f->Editor->ReplaceSelection(QStringLiteral("one two"));
        f->Editor->SetSel(4, 3);
        for (int i = 0; i < keys.count(); ++i) {
            QTest::keySequence(f->Editor, QKeySequence(keys[i]));
            if (i == 0 && keys.count() > 1)
                QCOMPARE(f->Editor->Paragraph().Alignment(), 1);
        }
        QCOMPARE(f->Editor->SelAttributes().Style(), style);
        QCOMPARE(f->Editor->Paragraph().Alignment(), alignment);
        QCOMPARE(f->Editor->Text(), QStringLiteral("one two"));
    }

    void newAndLanguageKeys()
    {
        QTest::keyClicks(f->Editor, QStringLiteral("text"));
        QTest::keySequence(f->Editor, QKeySequence("Ctrl+N"));
        QCOMPARE(f->Editor->Text(), QString());
        QCOMPARE(f->windowTitle(), QStringLiteral("Untitled - Kalvero"));
        QTest::keySequence(f->Editor, QKeySequence("Ctrl+3"));
        QVERIFY(f->LanguageCoptic->isChecked());
        QTest::keySequence(f->Editor, QKeySequence("Ctrl+1"));
        QVERIFY(f->LanguageEnglish->isChecked());
    }

    // Without map.txt every language inserts the typed characters unchanged.
    void noMapTypesUnchanged_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Arabic") << "LanguageArabic";
        QTest::newRow("Coptic") << "LanguageCoptic";
    }
    void noMapTypesUnchanged()
    {
        QFETCH(QString, language);
        QCOMPARE(f->CharacterMap.size(), 0);
        f->findChild<QAction *>(language)->trigger();
        f->Editor->setFocus();
        QTest::keyClicks(f->Editor, QStringLiteral("abc;'"));
        QCOMPARE(f->Editor->Text(), QStringLiteral("abc;'"));
    }

    void rightClickShowsThePopupMenu()
    {
        QWidget *viewport = f->Editor->viewport();
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10), viewport->mapToGlobal(QPoint(10, 10)));
        QCoreApplication::sendEvent(viewport, &menu);
        QTRY_VERIFY(f->mnuEditor->isVisible());
        f->mnuEditor->hide();
    }

    void popupMenuHintAndShortcutsShown()
    {
        f->Editor->ReplaceSelection(QStringLiteral("abc"));
        f->Editor->SetSel(0, 3);
        f->mnuEditor->popup(f->mapToGlobal(QPoint(40, 80)));
        QVERIFY(QTest::qWaitForWindowExposed(f->mnuEditor));
        QVERIFY(f->Cut1->isEnabled());
        f->mnuEditor->setActiveAction(f->Cut1);
        QCOMPARE(f->StatusBar->currentMessage(), QStringLiteral("Delete selected item"));
        f->mnuEditor->hide();
        QTRY_VERIFY(!f->StatusBar->SimplePanel());
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"

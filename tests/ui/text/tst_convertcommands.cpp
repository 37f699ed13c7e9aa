#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTextCursor>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextFrame>
#include <QTest>

#include <memory>

#include "FakePrompts.h"
#include "KeyboardLayout.h"
#include "remain.h"
#include "strFuncs.h"
#include "untRtf2Html.h"

namespace {

class NoLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return true; }
    void activateNext() override {}
};

QString U(const char16_t *text)
{
    return QString::fromUtf16(text);
}

} // namespace

// The commands as the window runs them: through its menu items, on its own editor.
class TestConvertCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void convertsSelection_data();
    void convertsSelection();
    void upperThenLowerRestoresCapitals();
    void keepsParagraphBreaks();
    void rtfLookingTextStaysPlain();
    void conversionCanBeUndone();
    void noSelectionChangesNothing();
    void conversionKeepsFormattingAndParagraphs();
    void copyForForumPutsMarkupOnClipboard();
    void copyForForumKeepsSelectionAndView_data();
    void copyForForumKeepsSelectionAndView();
    void tablesStayInPlace();

private:
    void select(int start, int length) { m_form->Editor->SetSel(start, length); }
    TTntRichEdit *editor() const { return m_form->Editor; }

    QTemporaryDir m_workDir;
    QString m_oldDir;
    FakePrompts *m_prompts = nullptr;
    std::unique_ptr<TMainForm> m_form;
};

void TestConvertCommands::initTestCase()
{
    InitCopticCaseTables();
    // A working folder without map.txt: the window says so once and goes on.
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_workDir.path());
}

void TestConvertCommands::init()
{
    auto prompts = std::make_unique<FakePrompts>();
    m_prompts = prompts.get();
    m_form = std::make_unique<TMainForm>(std::move(prompts), std::make_unique<NoLayouts>());
    m_form->resize(800, 600);
}

void TestConvertCommands::cleanup()
{
    m_form->Editor->SetModified(false);
    m_form.reset();
    QFile::remove(TMainForm::ExecutableFolder() + QStringLiteral("settings.opt"));
}

void TestConvertCommands::convertsSelection_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<QString>("result");

    QTest::newRow("lower: three capitals") << U(u"x\u2C80\u2C82\u2C84y") << 1 << 3 << false << U(u"x\u2C81\u2C83\u2C85y");
    QTest::newRow("upper: three smalls") << U(u"x\u2C81\u2C83\u2C85y") << 1 << 3 << true << U(u"x\u2C80\u2C82\u2C84y");
    QTest::newRow("upper: Shei and Dei") << U(u"\u03E3\u03EF") << 0 << 2 << true << U(u"\u03E2\u03EE");
    QTest::newRow("upper: Latin untouched") << U(u"abc") << 0 << 3 << true << U(u"abc");
    QTest::newRow("upper: Sou and letters outside the table untouched")
        << U(u"\u2C8B\u2CB3\u2C81") << 0 << 3 << true << U(u"\u2C8B\u2CB3\u2C80");
    QTest::newRow("upper: only the selection") << U(u"\u2C81\u2C81\u2C81") << 1 << 1 << true << U(u"\u2C81\u2C80\u2C81");
    QTest::newRow("upper: already capitals") << U(u"\u2C80\u2C82") << 0 << 2 << true << U(u"\u2C80\u2C82");
}

void TestConvertCommands::convertsSelection()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(bool, upper);
    QFETCH(QString, result);

    editor()->ReplaceSelection(text);
    select(start, length);
    (upper ? m_form->mnuUpperCase : m_form->mnuLowerCase)->trigger();
    QCOMPARE(editor()->Text(), result);
    // Nothing selected afterwards, the caret after the converted text.
    QCOMPARE(editor()->SelLength(), 0);
    QCOMPARE(editor()->SelStart(), start + length);
}

void TestConvertCommands::upperThenLowerRestoresCapitals()
{
    const QString capitals = CopticUpperLetters + U(u" abc \u0627");
    editor()->ReplaceSelection(capitals);
    select(0, int(capitals.size()));
    m_form->mnuLowerCase->trigger();
    QCOMPARE(editor()->Text(), CopticLowerLetters + U(u" abc \u0627"));
    select(0, int(capitals.size()));
    m_form->mnuUpperCase->trigger();
    QCOMPARE(editor()->Text(), capitals);
}

void TestConvertCommands::keepsParagraphBreaks()
{
    editor()->ReplaceSelection(U(u"\u2C81\r\n\r\n\u2C83\r\nz"));
    const int blocks = editor()->document()->blockCount();
    select(0, 7);
    m_form->mnuUpperCase->trigger();
    QCOMPARE(editor()->Text(), U(u"\u2C80\r\n\r\n\u2C82\r\nz"));
    QCOMPARE(editor()->document()->blockCount(), blocks);
}

void TestConvertCommands::rtfLookingTextStaysPlain()
{
    // Typed as text: the braces and the backslash are characters of the document.
    const QString text = U(u"{\\rtf1 \u2C81}");
    editor()->ReplaceSelectionPlain(text);
    QCOMPARE(editor()->Text(), text);
    select(0, int(text.size()));
    m_form->mnuUpperCase->trigger();
    QCOMPARE(editor()->Text(), U(u"{\\rtf1 \u2C80}"));
}

void TestConvertCommands::conversionCanBeUndone()
{
    editor()->ReplaceSelection(U(u"a\u2C81b"));
    select(0, 3);
    m_form->mnuUpperCase->trigger();
    QCOMPARE(editor()->Text(), U(u"a\u2C80b"));
    QVERIFY(editor()->CanUndo());
    editor()->undo();
    QCOMPARE(editor()->Text(), U(u"a\u2C81b"));
}

void TestConvertCommands::noSelectionChangesNothing()
{
    editor()->ReplaceSelection(U(u"\u2C81\u2C83"));
    editor()->SetModified(false);
    select(1, 0);
    const int undoSteps = editor()->document()->availableUndoSteps();
    int changes = 0;
    editor()->OnChange = [&changes] { ++changes; };
    m_form->mnuUpperCase->trigger();
    m_form->mnuLowerCase->trigger();
    QCOMPARE(changes, 0);
    QCOMPARE(editor()->Text(), U(u"\u2C81\u2C83"));
    QVERIFY(!editor()->Modified());
    QCOMPARE(editor()->document()->availableUndoSteps(), undoSteps);
    QCOMPARE(editor()->SelStart(), 1);
}

// Every character keeps its own formatting and every paragraph its attributes; one undo step.
void TestConvertCommands::conversionKeepsFormattingAndParagraphs()
{
    // A centred bold red alfa; a right-aligned paragraph of an underlined gamma and an italic x.
    editor()->ReplaceSelection(U(u"\u2C81\r\n\u2C85x"));
    const auto format = [this](int at, TFontStyles style, TColor color, int alignment) {
        select(at, 1);
        editor()->SelAttributes().SetStyle(style);
        editor()->SelAttributes().SetColor(color);
        editor()->Paragraph().SetAlignment(alignment);
    };
    format(0, fsBold, RGBToColor(255, 0, 0), 2);
    format(3, fsUnderline, clWindowText, 1);
    format(4, fsItalic, RGBToColor(0, 0, 255), 1);
    const QString before = editor()->Text();

    select(0, 5);
    m_form->mnuUpperCase->trigger();
    QCOMPARE(editor()->Text(), U(u"\u2C80\r\n\u2C84x"));
    QCOMPARE(editor()->SelStart(), 5);
    QCOMPARE(editor()->SelLength(), 0);
    const QList<QList<int>> expected{{0, fsBold, RGBToColor(255, 0, 0), 2}, {3, fsUnderline, clWindowText, 1},
                                     {4, fsItalic, RGBToColor(0, 0, 255), 1}};
    for (const QList<int> &at : expected) {
        select(at[0], 1);
        QCOMPARE(QList<int>({at[0], editor()->SelAttributes().Style(), editor()->SelAttributes().Color(),
                             editor()->Paragraph().Alignment()}),
                 at);
    }
    editor()->undo();
    QCOMPARE(editor()->Text(), before);
}

void TestConvertCommands::copyForForumPutsMarkupOnClipboard()
{
    editor()->ReplaceSelection(U(u"ab\r\n\u2C81"));
    select(0, 2);
    editor()->SelAttributes().SetStyle(fsBold);
    editor()->SelAttributes().SetColor(RGBToColor(255, 0, 0));
    editor()->SetModified(false);
    const QString expected = RichEditToForumMarkupByPosition(editor());
    QVERIFY(expected.contains(QStringLiteral("[color=Red]<b>ab")));
    select(1, 0);

    // Both menu items carry the one command.
    for (QAction *item : {m_form->CopyBBC1, m_form->CopyforForum1}) {
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        item->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
        QVERIFY(!editor()->Modified());
    }
    QVERIFY(m_prompts->Log.filter(QStringLiteral("Error")).isEmpty());

    // An empty document empties the clipboard's text.
    editor()->Clear();
    m_form->CopyBBC1->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
}

// After the export the user's selection, the view and the controls are as before it.
void TestConvertCommands::copyForForumKeepsSelectionAndView_data()
{
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::newRow("caret at the start") << 0 << 0;
    QTest::newRow("selection made backwards, far down") << 2009 << 2002;
}

void TestConvertCommands::copyForForumKeepsSelectionAndView()
{
    QFETCH(int, anchor);
    QFETCH(int, position);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    editor()->ReplaceSelection(QStringLiteral("hello world\r\n").repeated(400));
    select(0, 5);
    editor()->SelAttributes().SetStyle(fsBold); // the controls tell the first word from the rest
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    editor()->setTextCursor(cursor);
    const int scrolled = editor()->verticalScrollBar()->value();
    const bool bold = m_form->BoldButton->isChecked();
    const QString plain = editor()->document()->toPlainText();

    m_form->CopyforForum1->trigger();
    QCOMPARE(QList<int>({editor()->textCursor().anchor(), editor()->textCursor().position(),
                         editor()->verticalScrollBar()->value(), m_form->BoldButton->isChecked()}),
             QList<int>({anchor, position, scrolled, bold}));
    // A key typed now goes where the user left the caret.
    QTest::keyClick(editor(), Qt::Key_X);
    QCOMPARE(editor()->document()->toPlainText(), plain.left(position) + QLatin1Char('x') + plain.mid(anchor));
}

// A table: Copy for Forum reads a cell end as " | " and a row end as "<br>"; case conversion
// over it changes the letters in the cells and leaves the table as it was.
void TestConvertCommands::tablesStayInPlace()
{
    editor()->ReplaceSelection(QStringLiteral("{\\rtf1 x\\par\\trowd\\cellx900\\cellx1900\\intbl ")
                               + U(u"\\u11393?") + QStringLiteral("\\cell b\\cell\\row\\trowd\\cellx900\\cellx1900"
                                                          "\\intbl c\\cell d\\cell\\row\\pard y}"));
    const QString markup = RichEditToForumMarkup(editor());
    QVERIFY2(markup.contains(U(u"x<br>\u2C81 | b<br>c | d<br>y")), qPrintable(markup));
    select(0, int(editor()->Text().size()));
    m_form->mnuUpperCase->trigger();
    QCOMPARE(editor()->Text(), U(u"x\r\n\u2C80\tb\r\nc\td\r\ny"));
    QCOMPARE(editor()->document()->rootFrame()->childFrames().size(), 1);
}

QTEST_MAIN(TestConvertCommands)
#include "tst_convertcommands.moc"

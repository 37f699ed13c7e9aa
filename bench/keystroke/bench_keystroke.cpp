// One keystroke in documents of growing size, with everything a keystroke sets off.
//   QT_QPA_PLATFORM=offscreen build/bench/keystroke/bench_keystroke
// Each iteration is a pair of keys (a character, then Backspace, or Left then Right) so the
// document keeps its size; the reported "per_key" counter is the time of one key.
//  - Window/*: the main window with the editor focused: the key goes through the shortcut
//    check, the key-press event, the edit, RichEditChange, SelectionChange (formatting controls,
//    ruler, ShowCaretPosition) and the Edit actions' update. Painting is flushed too.
//  - WindowCoptic/*: the same in Coptic mode, where the key is looked up in the map and replaced.
//  - WindowArabic/*: Arabic mode in a right-to-left paragraph: the mapped key goes in and the
//    paragraph is laid out from the right edge.
//  - WindowCaret/*: caret moves only.
//  - LongParagraph/*: one paragraph of Latin and Arabic words of the given length, caret in
//    its middle.
//  - LongParagraphMapped/N/L: the same with keys mapped in Coptic (L = 0) or in Arabic in the
//    paragraph made right to left (L = 1).
//  - Control/*: the editor alone: the key plus the reads a refresh makes.
//  - WindowTable/*: the window, typing in a cell in the middle of a table of the given number
//    of rows of four columns (a short paragraph above and below the table).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <memory>

#include "LargePages.h"
#include "FakePrompts.h"
#include "KeyboardLayout.h"
#include "TTntRichEdit.h"
#include "remain.h"

namespace {

class UsLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return true; }
    void activateNext() override {}
};

// About `bytes` characters of text in paragraphs of 40 to 400 characters (many wrap), with the
// formatting changing every few words.
void FillDocument(TTntRichEdit *editor, int bytes)
{
    QTextCursor cursor(editor->document());
    QRandomGenerator random(11);
    const QStringList words{QStringLiteral("the"), QStringLiteral("letter"), QStringLiteral("\u2C80\u2C81\u2C8A"),
                            QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645"), QStringLiteral("word"),
                            QStringLiteral("keyboard"), QStringLiteral("a")};
    cursor.beginEditBlock();
    int written = 0;
    while (written < bytes) {
        const int paragraph = 40 + random.bounded(360);
        int inParagraph = 0;
        while (inParagraph < paragraph) {
            QTextCharFormat format;
            format.setFontPointSize(10 + random.bounded(6));
            format.setFontWeight(random.bounded(3) == 0 ? QFont::Bold : QFont::Normal);
            QString run;
            for (int w = 0, n = 1 + random.bounded(5); w < n; ++w)
                run += words.at(random.bounded(int(words.size()))) + QLatin1Char(' ');
            cursor.insertText(run, format);
            inParagraph += int(run.size());
        }
        cursor.insertBlock();
        written += inParagraph + 2;
    }
    cursor.endEditBlock();
    editor->document()->clearUndoRedoStacks();
}

// Puts the same paragraph of some 200 characters in the middle of every document and the
// caret inside it, so that every size types into the same text.
void PlaceCaretInProbe(TTntRichEdit *editor)
{
    QTextDocument *doc = editor->document();
    QTextCursor cursor(doc->findBlockByNumber(doc->blockCount() / 2));
    QTextCharFormat format;
    format.setFontPointSize(12);
    const QString probe = QStringLiteral("The probe paragraph: letter \u2C80\u2C81\u2C8A keyboard "
                                         "\u0627\u0644\u0633\u0644\u0627\u0645 word ")
                              .repeated(3);
    cursor.insertText(probe, format);
    cursor.insertBlock();
    doc->clearUndoRedoStacks();
    editor->SetSel(editor->DocToCrLfPos(cursor.block().previous().position() + int(probe.size()) / 2), 0);
    editor->document()->setModified(false);
}

struct WindowFixture
{
    std::unique_ptr<TMainForm> form;
    explicit WindowFixture(int bytes)
    {
        form = std::make_unique<TMainForm>(std::make_unique<FakePrompts>(), std::make_unique<UsLayouts>());
        form->resize(739, 521);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window was not shown");
        FillDocument(form->Editor, bytes);
        ParseCharacterMap(QByteArrayLiteral("a\t\xd8\xa7\t\xe2\xb2\x81\n"), form->CharacterMap);
        form->Editor->setFocus();
        PlaceCaretInProbe(form->Editor);
        // Everything laid out before timing starts.
        form->Editor->LineIndex(1 << 30);
        QCoreApplication::processEvents();
    }
};

void KeyPair(TMainForm &form, Qt::Key first, Qt::Key second)
{
    QTest::keyClick(form.Editor, first);
    QTest::keyClick(form.Editor, second);
    QCoreApplication::processEvents();
}

void Report(benchmark::State &state)
{
    state.counters["per_key"] =
        benchmark::Counter(double(state.iterations()) * 2, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Window(benchmark::State &state)
{
    WindowFixture fixture(int(state.range(0)));
    for (auto _ : state)
        KeyPair(*fixture.form, Qt::Key_X, Qt::Key_Backspace);
    Report(state);
}

void WindowCoptic(benchmark::State &state)
{
    WindowFixture fixture(int(state.range(0)));
    fixture.form->SwitchLanguage(fixture.form->LanguageCoptic);
    const QString before = fixture.form->Editor->Text();
    KeyPair(*fixture.form, Qt::Key_A, Qt::Key_Backspace);
    if (fixture.form->Editor->Text() != before)
        state.SkipWithError("the mapped key did not go in as one character");
    for (auto _ : state)
        KeyPair(*fixture.form, Qt::Key_A, Qt::Key_Backspace);
    Report(state);
}

void WindowArabic(benchmark::State &state)
{
    WindowFixture fixture(int(state.range(0)));
    fixture.form->Editor->Paragraph().SetDirection(TParaDirection::RightToLeft);
    fixture.form->SwitchLanguage(fixture.form->LanguageArabic);
    const QString before = fixture.form->Editor->Text();
    KeyPair(*fixture.form, Qt::Key_A, Qt::Key_Backspace);
    if (fixture.form->Editor->Text() != before || fixture.form->Editor->Paragraph().Direction() != TParaDirection::RightToLeft)
        state.SkipWithError("the mapped key did not go in as one character of a right-to-left paragraph");
    for (auto _ : state)
        KeyPair(*fixture.form, Qt::Key_A, Qt::Key_Backspace);
    Report(state);
}

void WindowCaret(benchmark::State &state)
{
    WindowFixture fixture(int(state.range(0)));
    for (auto _ : state)
        KeyPair(*fixture.form, Qt::Key_Left, Qt::Key_Right);
    Report(state);
}

// One paragraph of about `characters` characters of Latin and Arabic words, no break, with
// the caret in its middle.
struct LongParagraphFixture
{
    std::unique_ptr<TMainForm> form;
    explicit LongParagraphFixture(int characters)
    {
        form = std::make_unique<TMainForm>(std::make_unique<FakePrompts>(), std::make_unique<UsLayouts>());
        form->resize(739, 521);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window was not shown");
        const QStringList words{QStringLiteral("the"), QStringLiteral("letter"), QStringLiteral("keyboard"),
                                QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645"), QStringLiteral("word"),
                                QStringLiteral("\u0643\u062A\u0627\u0628"), QStringLiteral("a")};
        QRandomGenerator random(5);
        QString text;
        while (text.size() < characters)
            text += words.at(random.bounded(int(words.size()))) + QLatin1Char(' ');
        QTextCursor cursor(form->Editor->document());
        cursor.insertText(text);
        form->Editor->document()->clearUndoRedoStacks();
        form->Editor->setFocus();
        form->Editor->SetSel(int(text.size()) / 2, 0);
        form->Editor->document()->setModified(false);
        form->Editor->LineIndex(1 << 30);
        QCoreApplication::processEvents();
    }
};

// Typing into the middle of one long paragraph: what an edit costs inside a paragraph.
void LongParagraph(benchmark::State &state)
{
    LongParagraphFixture fixture(int(state.range(0)));
    for (auto _ : state)
        KeyPair(*fixture.form, Qt::Key_X, Qt::Key_Backspace);
    Report(state);
}

void LongParagraphMapped(benchmark::State &state)
{
    LongParagraphFixture fixture(int(state.range(0)));
    TMainForm &form = *fixture.form;
    const bool arabic = state.range(1) == 1;
    if (arabic)
        form.Editor->Paragraph().SetDirection(TParaDirection::RightToLeft);
    form.SwitchLanguage(arabic ? form.LanguageArabic : form.LanguageCoptic);
    const QString before = form.Editor->Text();
    KeyPair(form, Qt::Key_A, Qt::Key_Backspace);
    if (form.Editor->Text() != before)
        state.SkipWithError("the mapped key did not go in as one character");
    for (auto _ : state)
        KeyPair(form, Qt::Key_A, Qt::Key_Backspace);
    Report(state);
}

// A table of `rows` rows of four cells of a few words each (some cells wrap), with the caret at
// the end of the text of the second cell of the middle row.
struct TableFixture
{
    std::unique_ptr<TMainForm> form;
    explicit TableFixture(int rows)
    {
        form = std::make_unique<TMainForm>(std::make_unique<FakePrompts>(), std::make_unique<UsLayouts>());
        form->resize(739, 521);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window was not shown");
        QTextDocument *doc = form->Editor->document();
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        cursor.insertText(QStringLiteral("Before the table"));
        cursor.insertBlock();
        QTextTableFormat format;
        format.setCellPadding(2);
        QTextTable *table = cursor.insertTable(rows, 4, format);
        const QStringList texts{QStringLiteral("cell"), QStringLiteral("the letter \u2C80\u2C81\u2C8A"),
                                QStringLiteral("keyboard word a word the letter keyboard word"),
                                QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645 word")};
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 4; ++c)
                table->cellAt(r, c).firstCursorPosition().insertText(texts.at((r + c) % texts.size()));
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("After the table"));
        cursor.endEditBlock();
        doc->clearUndoRedoStacks();
        form->Editor->setFocus();
        form->Editor->setTextCursor(table->cellAt(rows / 2, 1).lastCursorPosition());
        doc->setModified(false);
        form->Editor->LineIndex(1 << 30);
        QCoreApplication::processEvents();
    }
};

// Typing in a cell of a big table: what an edit in one row costs.
void WindowTable(benchmark::State &state)
{
    TableFixture fixture(int(state.range(0)));
    const QString before = fixture.form->Editor->Text();
    KeyPair(*fixture.form, Qt::Key_X, Qt::Key_Backspace);
    if (fixture.form->Editor->Text() != before)
        state.SkipWithError("the key and Backspace did not leave the table as it was");
    for (auto _ : state)
        KeyPair(*fixture.form, Qt::Key_X, Qt::Key_Backspace);
    Report(state);
}

void Control(benchmark::State &state)
{
    TTntRichEdit editor;
    editor.resize(700, 500);
    editor.show();
    FillDocument(&editor, int(state.range(0)));
    PlaceCaretInProbe(&editor);
    editor.LineIndex(1 << 30);
    QCoreApplication::processEvents();
    int sink = 0;
    for (auto _ : state) {
        for (Qt::Key key : {Qt::Key_X, Qt::Key_Backspace}) {
            QTest::keyClick(&editor, key);
            sink += editor.SelStart() + editor.SelLength() + editor.SelAttributes().Size()
                    + editor.SelAttributes().Style() + editor.Paragraph().FirstIndent();
            const int pos = editor.CaretPos();
            sink += pos - editor.LineIndex(editor.LineFromChar(pos));
        }
    }
    benchmark::DoNotOptimize(sink);
    Report(state);
}

} // namespace

BENCHMARK(Window)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowCoptic)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowArabic)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowCaret)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(LongParagraph)->Arg(1 << 10)->Arg(4 << 10)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(LongParagraphMapped)->ArgsProduct({{10 << 10, 100 << 10, 1 << 20}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(WindowTable)->Arg(20)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(Control)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    RequestLargePages(argv); // as the program does
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

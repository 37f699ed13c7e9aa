// Copy for Forum on a large document with a formatting change every few characters.
//   QT_QPA_PLATFORM=offscreen build/bench/forum/bench_forum
// The reference walk selects every position in turn; it runs once (it is slow by design).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

#include "LargePages.h"
#include "TTntRichEdit.h"
#include "TextFlowLayout.h"
#include "untRtf2Html.h"

namespace {

// About `characters` characters in paragraphs of some 60, formatting changing every 2 to 7.
std::unique_ptr<TTntRichEdit> MakeDocument(int characters)
{
    auto editor = std::make_unique<TTntRichEdit>();
    editor->resize(800, 600);
    QTextDocument *document = editor->document();
    QTextCursor cursor(document);
    QRandomGenerator random(42);
    const QStringList fonts{QStringLiteral("Arial"), QStringLiteral("Times New Roman"), QStringLiteral("Noto Sans Coptic")};
    const QList<QColor> colors{QColor(), QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 128, 0)};
    const QString letters = QStringLiteral("abcdefgh \u2C80\u2C81\u0627\u0644");
    cursor.beginEditBlock();
    int written = 0, inParagraph = 0;
    while (written < characters) {
        QTextCharFormat format;
        format.setFontFamilies({fonts.at(random.bounded(int(fonts.size())))});
        format.setFontPointSize(8 + random.bounded(8) + (random.bounded(2) ? 0.5 : 0.0));
        const QColor color = colors.at(random.bounded(int(colors.size())));
        if (color.isValid())
            format.setForeground(color);
        format.setFontWeight(random.bounded(2) ? QFont::Bold : QFont::Normal);
        format.setFontItalic(random.bounded(3) == 0);
        format.setFontUnderline(random.bounded(4) == 0);
        QString run;
        const int length = 2 + random.bounded(6);
        for (int k = 0; k < length; ++k)
            run += letters.at(random.bounded(int(letters.size())));
        cursor.insertText(run, format);
        written += length;
        inParagraph += length;
        if (inParagraph >= 60) {
            QTextBlockFormat block;
            block.setAlignment(QList<Qt::Alignment>{Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                    Qt::AlignJustify}.at(random.bounded(4)));
            cursor.insertBlock(block);
            written += 2;
            inParagraph = 0;
        }
    }
    cursor.endEditBlock();
    return editor;
}

TTntRichEdit *SharedDocument()
{
    // Laid out as a displayed document is (the editor lays out in the background after a
    // load); the export's final caret move would otherwise pay for the whole layout.
    static std::unique_ptr<TTntRichEdit> editor = [] {
        auto made = MakeDocument(1000000);
        QTextDocument *document = made->document();
        if (auto *layout = dynamic_cast<TextFlowLayout *>(document->documentLayout()))
            layout->ensureLaidOut(document->blockCount() - 1);
        return made;
    }();
    return editor.get();
}

void BM_ProgramDriver(benchmark::State &state)
{
    TTntRichEdit *editor = SharedDocument();
    qsizetype length = 0;
    for (auto _ : state) {
        const QString markup = RichEditToForumMarkup(editor);
        length = markup.size();
        benchmark::DoNotOptimize(length);
    }
    state.counters["documentChars"] = double(editor->Text().size());
    state.counters["markupChars"] = double(length);
}
BENCHMARK(BM_ProgramDriver)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Right after a document is put into the editor, before it was ever laid out: the final caret
// move of the export then lays out the whole document (the control's cost, paid once).
void BM_ProgramDriverBeforeLayout(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TTntRichEdit> editor = MakeDocument(1000000);
        editor->show(); // as in the window: the view's height is known
        state.ResumeTiming();
        benchmark::DoNotOptimize(RichEditToForumMarkup(editor.get()).size());
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ProgramDriverBeforeLayout)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void BM_ReferenceDriver(benchmark::State &state)
{
    TTntRichEdit *editor = SharedDocument();
    for (auto _ : state) {
        const QString markup = RichEditToForumMarkupByPosition(editor);
        benchmark::DoNotOptimize(markup.size());
    }
}
BENCHMARK(BM_ReferenceDriver)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    RequestLargePages(argv); // as the program does
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Where documents get long: over-long words, many distinct fonts, a huge single paragraph
// opened and scrolled in the window, and the memory of a large laid-out document.
//   QT_QPA_PLATFORM=offscreen build/bench/long/bench_long
//  - LongWordLayout/N: one paragraph that is a single word of N characters (a pasted hash),
//    laid out whole in the editor.
//  - NestedBoldRtf/N: RTF "{\b x" nested N times, read into the editor and laid out.
//  - ManyFontsRtf/N/L: RTF with N distinct fonts, each used by one run, read into the editor
//    (and laid out when L is 1).
//  - OpenLongParagraph: a 1 MB single-paragraph text file opened in the window, until the
//    text is painted.
//  - ScrollLongParagraph: that file scrolled to its end a screen at a time; per_screen is the
//    time of one screen, painting included.
//  - ParagraphLinesEdit/N: the line breaks of one paragraph of N characters of Latin and
//    Arabic words kept up to date while a key and Backspace are typed at 64 places around its
//    middle in turn (the line breaking alone, no window); per_edit is one edit,
//    laid_out_per_edit the characters laid out again for it (an edit that pushes a word to the
//    next line can push one from there too: some edits re-flow tens of lines).
//  - MemoryLaidOut: resident memory of the window holding a 10 M character mixed document,
//    laid out, against the document's UTF-16 size (rss_over_utf16 is the whole process,
//    growth_over_utf16 what the document added to the empty window).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <fstream>
#include <memory>
#include <string>

#include "FakePrompts.h"
#include "KeyboardLayout.h"
#include "LargePages.h"
#include "ParagraphLines.h"
#include "RtfCodec.h"
#include "TTntRichEdit.h"
#include "TextFlowLayout.h"
#include "remain.h"

namespace {

class UsLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return true; }
    void activateNext() override {}
};

void LayOutAll(TTntRichEdit &editor)
{
    QTextDocument *doc = editor.document();
    qobject_cast<TextFlowLayout *>(doc->documentLayout())->ensureLaidOut(doc->blockCount() - 1);
}

// Opens RTF bytes as a file in a fresh editor, as the window opens one, and lays it out whole;
// the editor and the file are made before timing.
void LoadAndLayOut(benchmark::State &state, const QByteArray &rtf, bool layOut = true)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.rtf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        qFatal("cannot write the sample");
    file.close();
    for (auto _ : state) {
        state.PauseTiming();
        auto editor = std::make_unique<TTntRichEdit>();
        editor->resize(700, 500);
        state.ResumeTiming();
        editor->LoadFromFile(path);
        if (layOut)
            LayOutAll(*editor);
        benchmark::DoNotOptimize(editor->document()->lineCount());
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
}

void LongWordLayout(benchmark::State &state)
{
    QString word;
    word.reserve(state.range(0));
    const QString hex = QStringLiteral("0123456789abcdef");
    for (int i = 0; i < state.range(0); ++i)
        word.append(hex.at((i * 7 + i / 16) % 16));
    for (auto _ : state) {
        state.PauseTiming();
        auto editor = std::make_unique<TTntRichEdit>();
        editor->resize(700, 500);
        state.ResumeTiming();
        editor->document()->setPlainText(word);
        LayOutAll(*editor);
        state.counters["lines"] = editor->document()->lineCount();
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(LongWordLayout)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void NestedBoldRtf(benchmark::State &state)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < state.range(0); ++i)
        rtf += "{\\b x";
    rtf += QByteArray(state.range(0), '}');
    rtf += '}';
    LoadAndLayOut(state, rtf);
}
BENCHMARK(NestedBoldRtf)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Some 48 bytes per font: 20,000 fonts make a file of about 955 KB.
void ManyFontsRtf(benchmark::State &state)
{
    const int fonts = int(state.range(0));
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl";
    for (int i = 0; i < fonts; ++i)
        rtf += "{\\f" + QByteArray::number(i) + " Face" + QByteArray::number(i) + ";}";
    rtf += "}\n";
    for (int i = 0; i < fonts; ++i)
        rtf += "\\f" + QByteArray::number(i) + " word" + QByteArray::number(i) + " text ";
    rtf += '}';
    state.counters["rtf_KB"] = rtf.size() / 1024.0;
    LoadAndLayOut(state, rtf, state.range(1) != 0);
}
// The second argument: 1 when the document is laid out too, 0 for the reading alone.
BENCHMARK(ManyFontsRtf)->ArgsProduct({{5000, 10000, 20000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// About `bytes` characters of mixed Latin and Arabic words without a paragraph break.
QByteArray LongParagraphText(int bytes)
{
    const QStringList words{QStringLiteral("the"), QStringLiteral("letter"), QStringLiteral("keyboard"),
                            QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645"), QStringLiteral("word"),
                            QStringLiteral("\u0643\u062A\u0627\u0628"), QStringLiteral("a")};
    QRandomGenerator random(5);
    QString text;
    while (text.size() < bytes)
        text += words.at(random.bounded(int(words.size()))) + QLatin1Char(' ');
    return text.toUtf8();
}

struct WindowWithFile
{
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TMainForm> form;
    explicit WindowWithFile(int bytes)
    {
        path = dir.filePath(QStringLiteral("long.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the sample");
        file.write(LongParagraphText(bytes));
        file.close();
        form = std::make_unique<TMainForm>(std::make_unique<FakePrompts>(), std::make_unique<UsLayouts>());
        form->resize(739, 521);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window was not shown");
        QCoreApplication::processEvents();
    }
    // Opens the file and paints the window once.
    void open()
    {
        form->LoadDocument(path);
        form->Editor->viewport()->repaint();
    }
};

void OpenLongParagraph(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        WindowWithFile window(int(state.range(0)));
        state.ResumeTiming();
        window.open();
        state.PauseTiming();
        const QTextDocument *document = window.form->Editor->document();
        if (document->blockCount() != 1 || document->characterCount() < state.range(0) / 2)
            state.SkipWithError("the file is not in the window as one paragraph");
        state.ResumeTiming();
    }
}
BENCHMARK(OpenLongParagraph)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

void ScrollLongParagraph(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        WindowWithFile window(int(state.range(0)));
        window.open();
        QScrollBar *bar = window.form->Editor->verticalScrollBar();
        state.ResumeTiming();
        // A screen at a time until the end is shown: the scroll bar's range grows while the
        // layout learns the paragraph's true height.
        QElapsedTimer total;
        total.start();
        qint64 slowest = 0;
        int screens = 0;
        while (bar->value() < bar->maximum()) {
            QElapsedTimer one;
            one.start();
            bar->setValue(bar->value() + bar->pageStep());
            window.form->Editor->viewport()->repaint();
            slowest = qMax(slowest, one.nsecsElapsed());
            ++screens;
        }
        const double elapsed = double(total.nsecsElapsed());
        state.PauseTiming();
        state.counters["screens"] = screens;
        state.counters["per_screen_ms"] = screens ? elapsed / screens / 1e6 : 0;
        state.counters["slowest_screen_ms"] = double(slowest) / 1e6;
        state.ResumeTiming();
    }
}
BENCHMARK(ScrollLongParagraph)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Resident set size in bytes (Linux).
double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * 4096;
}

// The window holding about 10 M characters of English, Arabic and Coptic words in paragraphs
// of 40 to 400 characters, the formatting changing every few words, laid out whole.
void MemoryLaidOut(benchmark::State &state)
{
    const QStringList words{QStringLiteral("the"), QStringLiteral("letter"), QStringLiteral("\u2C80\u2C81\u2C8A"),
                            QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645"), QStringLiteral("word"),
                            QStringLiteral("keyboard"), QStringLiteral("\u2C9B\u2C9F\u2CA9\u03E3")};
    for (auto _ : state) {
        TMainForm form(std::make_unique<FakePrompts>(), std::make_unique<UsLayouts>());
        form.resize(739, 521);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qFatal("the window was not shown");
        QCoreApplication::processEvents();
        const double before = ResidentBytes();
        QTextCursor cursor(form.Editor->document());
        QRandomGenerator random(11);
        cursor.beginEditBlock();
        qint64 written = 0;
        while (written < state.range(0)) {
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
            written += inParagraph + 1;
        }
        cursor.endEditBlock();
        form.Editor->document()->clearUndoRedoStacks();
        LayOutAll(*form.Editor);
        form.Editor->viewport()->repaint();
        QCoreApplication::processEvents();
        const double after = ResidentBytes();
        const double utf16 = 2.0 * form.Editor->document()->characterCount();
        state.counters["utf16_MB"] = utf16 / 1e6;
        state.counters["rss_MB"] = after / 1e6;
        state.counters["rss_growth_MB"] = (after - before) / 1e6;
        state.counters["growth_over_utf16"] = (after - before) / utf16;
        state.counters["rss_over_utf16"] = after / utf16;
    }
}
BENCHMARK(MemoryLaidOut)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void ParagraphLinesEdit(benchmark::State &state)
{
    QString text = QString::fromUtf8(LongParagraphText(int(state.range(0))));
    QTextCharFormat plain;
    const QList<QTextLayout::FormatRange> formats{{0, int(text.size()), plain}};
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(Qt::LeftToRight);
    ParagraphLines lines(QFont(QStringLiteral("Noto Sans"), 11), option, 700, 700);
    lines.reset(text, formats);
    qint64 laidOut = 0;
    int turn = 0;
    for (auto _ : state) {
        const int middle = int(text.size()) / 2 + (turn++ % 64) * 37;
        text.insert(middle, QLatin1Char('x'));
        laidOut += lines.update(text, {{0, int(text.size()), plain}}, middle, 0, 1);
        text.remove(middle, 1);
        laidOut += lines.update(text, formats, middle, 1, 0);
    }
    state.counters["per_edit"] = benchmark::Counter(double(state.iterations()) * 2,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["laid_out_per_edit"] = double(laidOut) / double(state.iterations() * 2);
}
BENCHMARK(ParagraphLinesEdit)->Arg(10240)->Arg(102400)->Arg(1048576)->Unit(benchmark::kMicrosecond);

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

// The recovery copy of a 1 MB document (one million characters in runs of mixed formatting, in
// the editor control): what the user-interface thread spends on it (taking the DocumentCopy and
// starting the worker; target: a few milliseconds), against a whole QTextDocument::clone(), what
// the worker spends rebuilding the copy, turning it into RTF and writing the file, and the heap
// the whole write takes at its peak.
#include "DocumentRecovery.h"
#include "HeapCounter.h"
#include "RecoveryFiles.h"
#include "RtfCodec.h"
#include "TTntRichEdit.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <map>

namespace {

// runLength: characters per formatting run (about; the words differ in length).
void fill(TTntRichEdit &editor, int characters, int runLength)
{
    const QString words[] = {QStringLiteral("the editor keeps "), QString::fromUtf8("ⲡⲓⲛⲟⲩϯ ⲁⲅⲁⲡⲏ "),
                             QString::fromUtf8("السلام عليكم ")};
    QTextCursor cursor(editor.document());
    cursor.beginEditBlock();
    int written = 0;
    for (int run = 0; written < characters; ++run) {
        QTextCharFormat format;
        format.setFontWeight(run % 3 == 0 ? QFont::Bold : QFont::Normal);
        format.setFontPointSize(10 + run % 7);
        const QString &word = words[run % 3];
        const QString text = word.repeated(qMax(1, runLength / int(word.size())));
        cursor.insertText(text, format);
        written += int(text.size());
        if (run % qMax(1, 180 / runLength) == 0) {
            cursor.insertBlock();
            ++written;
        }
    }
    cursor.endEditBlock();
}

int runCount(const QTextDocument &doc)
{
    int runs = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            ++runs;
    return runs;
}

struct Fixture
{
    TTntRichEdit editor;
    QTemporaryDir dir;
    explicit Fixture(int runLength) { fill(editor, 1000 * 1000, runLength); }
    DocumentRecovery::Snapshot snapshot()
    {
        DocumentRecovery::Snapshot s;
        s.document = DocumentCopy::Take(*editor.document());
        s.defaultFormat = editor.defaultCharFormat();
        s.header = {QStringLiteral("Untitled"), QDateTime::currentDateTimeUtc(), std::nullopt};
        return s;
    }
};

// Runs of about 15 characters (a format change every few words: the hard case) or 150 (about
// one per paragraph of 180 characters).
Fixture &fixture(int runLength)
{
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    std::unique_ptr<Fixture> &f = fixtures[runLength];
    if (!f)
        f = std::make_unique<Fixture>(runLength);
    return *f;
}

// The user-interface thread's share: the timer's call, from the clone to the worker's start.
void BM_RecoveryBlocksUiThread(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    qint64 now = 0;
    DocumentRecovery recovery(f.dir.filePath(QStringLiteral("1.rtf")), [&f] { return f.snapshot(); });
    recovery.SetClock([&now] { return now; });
    for (auto _ : state) {
        state.PauseTiming();
        recovery.DocumentChanged();
        now += DocumentRecovery::PauseMs;
        state.ResumeTiming();
        recovery.TimerExpired();
        state.PauseTiming();
        recovery.WaitForWriter(); // the worker's time is not the typist's
        state.ResumeTiming();
    }
    state.counters["characters"] = double(f.editor.document()->characterCount());
    state.counters["runs"] = double(runCount(*f.editor.document()));
}

// What one recovery write takes from the heap at its peak (the copy on the user-interface
// thread, the worker's rebuilt document and RTF), against the document's text in UTF-16.
void BM_RecoveryWriteMemory(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    qint64 now = 0;
    DocumentRecovery recovery(f.dir.filePath(QStringLiteral("3.rtf")), [&f] { return f.snapshot(); });
    recovery.SetClock([&now] { return now; });
    double peakOverUtf16 = 0;
    for (auto _ : state) {
        recovery.DocumentChanged();
        now += DocumentRecovery::PauseMs;
        const std::size_t before = heapcounter::current();
        heapcounter::resetPeak();
        recovery.TimerExpired();
        recovery.WaitForWriter();
        peakOverUtf16 = double(heapcounter::peak() - before) / (2.0 * f.editor.document()->characterCount());
    }
    state.counters["heap_peak_over_utf16"] = peakOverUtf16;
}

// Where that peak comes from: the heap each stage of the write holds at its peak, against the
// document's UTF-16 size (the copy, the document rebuilt from it, the RTF writer's peak).
void BM_RecoveryWriteStages(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    const double utf16 = 2.0 * f.editor.document()->characterCount();
    double copy = 0, rebuilt = 0, writer = 0, output = 0;
    for (auto _ : state) {
        std::size_t before = heapcounter::current();
        std::optional<DocumentCopy> taken = DocumentCopy::Take(*f.editor.document());
        copy = double(heapcounter::current() - before) / utf16;
        before = heapcounter::current();
        const std::shared_ptr<const QTextDocument> document = taken->Build();
        rebuilt = double(heapcounter::current() - before) / utf16;
        before = heapcounter::current();
        heapcounter::resetPeak();
        const QByteArray rtf = rtf::writeRtf(*document, f.editor.defaultCharFormat());
        writer = double(heapcounter::peak() - before) / utf16;
        output = double(rtf.size()) / utf16;
    }
    state.counters["copy"] = copy;
    state.counters["rebuilt"] = rebuilt;
    state.counters["writer_peak"] = writer;
    state.counters["output"] = output;
}

// What a whole clone would cost the user-interface thread instead.
void BM_CloneForComparison(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        delete f.editor.document()->clone();
}

// One whole write: the copy taken, rebuilt and written as RTF a part at a time, the header, the
// atomic write.
void BM_RecoveryWorker(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    qint64 now = 0;
    const QString path = f.dir.filePath(QStringLiteral("2.rtf"));
    DocumentRecovery recovery(path, [&f] { return f.snapshot(); });
    recovery.SetClock([&now] { return now; });
    for (auto _ : state) {
        state.PauseTiming();
        recovery.DocumentChanged();
        now += DocumentRecovery::PauseMs;
        state.ResumeTiming();
        recovery.TimerExpired();
        if (!recovery.WaitForWriter())
            state.SkipWithError("write failed");
    }
    state.counters["file_MB"] = QFileInfo(path).size() / 1e6;
}

BENCHMARK(BM_RecoveryBlocksUiThread)->Arg(15)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RecoveryWriteMemory)->Arg(15)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RecoveryWriteStages)->Arg(15)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CloneForComparison)->Arg(15)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RecoveryWorker)->Arg(15)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

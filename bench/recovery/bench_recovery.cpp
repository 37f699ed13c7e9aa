// The recovery copy of a 1 MB document (one million characters in runs of mixed formatting, in
// the editor control): what the user-interface thread spends on it (the clone of the document and
// the start of the worker; target: a few milliseconds), and what the worker spends turning the
// clone into RTF and writing the file.
#include "DocumentRecovery.h"
#include "RecoveryFiles.h"
#include "RtfCodec.h"
#include "TTntRichEdit.h"

#include <QApplication>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

void fill(TTntRichEdit &editor, int characters)
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
        const QString &text = words[run % 3];
        cursor.insertText(text, format);
        written += int(text.size());
        if (run % 12 == 11) {
            cursor.insertBlock();
            ++written;
        }
    }
    cursor.endEditBlock();
}

struct Fixture
{
    TTntRichEdit editor;
    QTemporaryDir dir;
    Fixture() { fill(editor, 1000 * 1000); }
    DocumentRecovery::Snapshot snapshot()
    {
        DocumentRecovery::Snapshot s;
        s.document.reset(editor.document()->clone());
        s.defaultFormat = editor.defaultCharFormat();
        s.header = {QStringLiteral("Untitled"), QDateTime::currentDateTimeUtc(), std::nullopt};
        return s;
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// The user-interface thread's share: the timer's call, from the clone to the worker's start.
void BM_RecoveryBlocksUiThread(benchmark::State &state)
{
    Fixture &f = fixture();
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
}

// The worker's share: RTF of the clone, header, atomic write.
void BM_RecoveryWorker(benchmark::State &state)
{
    Fixture &f = fixture();
    const DocumentRecovery::Snapshot s = f.snapshot();
    const QString path = f.dir.filePath(QStringLiteral("2.rtf"));
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray bytes = RecoveryFileBytes(rtf::writeRtf(*s.document, s.defaultFormat), s.header);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            state.SkipWithError("write failed");
        size = bytes.size();
    }
    state.counters["file_MB"] = size / 1e6;
}

BENCHMARK(BM_RecoveryBlocksUiThread)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RecoveryWorker)->Unit(benchmark::kMillisecond)->Iterations(5);

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

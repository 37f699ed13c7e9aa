// A 100 MB document opened in the window, as a user opens it (TMainForm::LoadDocument).
//   QT_QPA_PLATFORM=offscreen build/bench/huge/bench_huge --benchmark_filter=Plain
// Run one case per process for the resident figures (the process keeps its pages).
//  - OpenHugePlain: 100 MB of UTF-8 text (English lines with some Arabic and Coptic words).
//  - OpenHugeRtf:   100 MB of RTF mixing fonts, bold, italic, colours and \u escapes.
// Counters: utf16_MB the document's text in UTF-16; heap_peak_MB the C heap's peak while
// opening; rss_peak_MB the process's resident peak (VmHWM, reset before opening); the *_over_utf16
// ratios count only what opening added to the empty window; end_key_ms the first Ctrl+End, one
// typed key and a paint afterwards; rss_laid_out_over_utf16 and heap_laid_out_over_utf16 what the
// window holds once the idle layout has laid out the whole document (blocks: its paragraphs).
// save_s and save_heap_peak_over_utf16: saving the laid-out document as RTF, and the heap that
// takes at its peak on top of the document.
// HUGE_BYTES=3000000 makes the files smaller, for a quick run or a heap profile.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <fstream>
#include <memory>
#include <string>

#include "FakePrompts.h"
#include "HeapCounter.h"
#include "KeyboardLayout.h"
#include "TextFlowLayout.h"
#include "RtfCodec.h"
#include "remain.h"

namespace {

const qint64 kFileBytes = qEnvironmentVariableIsSet("HUGE_BYTES") ? qEnvironmentVariableIntValue("HUGE_BYTES") : 100 * 1000 * 1000;

class UsLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return true; }
    void activateNext() override {}
};

// A "Name: 1234 kB" field of /proc/self/status, in bytes.
double statusBytes(const char *name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ':';
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stod(line.substr(prefix.size())) * 1024.0;
    return 0;
}

// The resident peak becomes the resident size now.
void resetResidentPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// Writes lines produced by line(i) until the file holds kFileBytes; once per process.
template <typename Line>
QString makeFile(const QString &name, const QByteArray &head, const QByteArray &tail, Line line)
{
    const QString path = scratch().filePath(name);
    if (QFile::exists(path))
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(head);
    qint64 written = head.size();
    QByteArray chunk;
    for (int i = 0; written < kFileBytes - tail.size(); ++i) {
        chunk += line(i);
        if (chunk.size() > (1 << 20)) {
            written += file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    file.write(tail);
    return path;
}

QString plainFile()
{
    return makeFile(QStringLiteral("huge.txt"), QByteArray(), QByteArray(), [](int i) {
        QByteArray line = "Line " + QByteArray::number(i) + " of a long plain text, typed in English";
        if (i % 7 == 0)
            line += " \xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7 \xd8\xa8\xd8\xa7\xd9\x84\xd8\xb9\xd8\xa7\xd9\x84\xd9\x85";
        if (i % 11 == 0)
            line += " \xe2\xb2\xa1\xe2\xb2\x93\xe2\xb2\x9b\xe2\xb2\x9f\xe2\xb3\xa9";
        return line + "\r\n";
    });
}

QString rtfFile()
{
    const QByteArray head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset178 Arial;}"
                            "{\\f2 Noto Sans Coptic;}}{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}\n";
    return makeFile(QStringLiteral("huge.rtf"), head, "}", [](int i) {
        QByteArray p = "\\pard\\plain\\f0\\fs24 Paragraph " + QByteArray::number(i)
            + " has {\\b bold words}, {\\i italic words} and {\\cf1 coloured words} in it.";
        if (i % 3 == 0)
            p += " {\\f1\\fs28\\rtlch \\u1605?\\u1585?\\u1581?\\u1576?\\u1575? \\u1576?\\u1575?\\u1604?}";
        if (i % 5 == 0)
            p += " {\\f2\\cf2 \\u11425?\\u11411?\\u11419?}";
        return p + "\\par\n";
    });
}

void openHuge(benchmark::State &state, const QString &path)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TMainForm>(std::make_unique<FakePrompts>(), std::make_unique<UsLayouts>());
        form->resize(739, 521);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window was not shown");
        QCoreApplication::processEvents();
        const double rssBefore = statusBytes("VmRSS");
        const std::size_t heapBefore = heapcounter::current();
        resetResidentPeak();
        heapcounter::resetPeak();
        QElapsedTimer open;
        open.start();
        state.ResumeTiming();

        form->LoadDocument(path);
        form->Editor->viewport()->repaint();

        state.PauseTiming();
        const double openSeconds = open.nsecsElapsed() / 1e9;
        const double rssPeak = statusBytes("VmHWM");
        const double heapPeak = double(heapcounter::peak());
        const double utf16 = 2.0 * double(form->Editor->document()->characterCount());
        QElapsedTimer endKey;
        endKey.start();
        QTest::keyClick(form->Editor, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(form->Editor, Qt::Key_X);
        form->Editor->viewport()->repaint();
        const double endKeyMs = endKey.nsecsElapsed() / 1e6;
        state.counters["open_s"] = openSeconds;
        state.counters["utf16_MB"] = utf16 / 1e6;
        state.counters["heap_peak_MB"] = heapPeak / 1e6;
        state.counters["heap_peak_over_utf16"] = (heapPeak - double(heapBefore)) / utf16;
        state.counters["rss_peak_MB"] = rssPeak / 1e6;
        state.counters["rss_peak_over_utf16"] = (rssPeak - rssBefore) / utf16;
        state.counters["rss_open_over_utf16"] = (statusBytes("VmRSS") - rssBefore) / utf16;
        state.counters["end_key_ms"] = endKeyMs;
        // The idle layout goes on over the whole document: what does the window hold then? (The
        // typed key would have the recovery copy written 20 s later, from a copy of the document
        // rebuilt on a worker: bench_recovery measures that; it is not counted here.)
        form->Editor->SetModified(false);
        form->NoteRecoveryState(false);
        if (auto *layout = qobject_cast<TextFlowLayout *>(form->Editor->document()->documentLayout()))
            while (!layout->isComplete())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        state.counters["rss_laid_out_over_utf16"] = (statusBytes("VmRSS") - rssBefore) / utf16;
        state.counters["heap_laid_out_over_utf16"] = (double(heapcounter::current()) - double(heapBefore)) / utf16;
        state.counters["blocks"] = form->Editor->document()->blockCount();
        // Saving it as RTF: the heap the save takes at its peak, on top of the document.
        heapcounter::resetPeak();
        const std::size_t heapBeforeSave = heapcounter::current();
        QElapsedTimer save;
        save.start();
        rtf::saveFile(scratch().filePath(QStringLiteral("saved.rtf")), *form->Editor->document(),
                      form->Editor->defaultCharFormat());
        state.counters["save_s"] = save.nsecsElapsed() / 1e9;
        state.counters["save_heap_peak_over_utf16"] = double(heapcounter::peak() - heapBeforeSave) / utf16;
        QFile::remove(scratch().filePath(QStringLiteral("saved.rtf")));
        if (form->Editor->document()->characterCount() < kFileBytes / 4)
            state.SkipWithError("the document was not read whole");
        form->Editor->SetModified(false);
        form->NoteRecoveryState(false);
        form.reset();
        state.ResumeTiming();
    }
}

void OpenHugePlain(benchmark::State &state) { openHuge(state, plainFile()); }
BENCHMARK(OpenHugePlain)->Unit(benchmark::kMillisecond)->Iterations(1);

void OpenHugeRtf(benchmark::State &state) { openHuge(state, rtfFile()); }
BENCHMARK(OpenHugeRtf)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

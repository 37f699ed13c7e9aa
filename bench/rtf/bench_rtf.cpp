// Reading and writing a 10 MB RTF document of mixed formatting with English,
// Arabic and Coptic text (argument 0), and one of 10 MB with tables and pictures
// among the paragraphs (argument 1). Targets: read >= 30 MB/s, write >= 60 MB/s, heap
// peak while loading <= 3x the loaded document's heap size.
//
//   bench_rtf [--write-sample FILE] [benchmark flags]
// --write-sample writes the benchmark's document as RTF and exits (used by
// compare.sh to time other converters on the same file).
#include "HeapCounter.h"
#include "RtfCodec.h"
#include "RtfSink.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

const QStringList kEnglish = {QStringLiteral("the"), QStringLiteral("editor"), QStringLiteral("writes"), QStringLiteral("rich"),
                              QStringLiteral("text"), QStringLiteral("quickly"), QStringLiteral("and"), QStringLiteral("well")};
const QStringList kArabic = {QString::fromUtf8("السلام"), QString::fromUtf8("عليكم"), QString::fromUtf8("كتاب"),
                             QString::fromUtf8("العربية"), QString::fromUtf8("مدرسة")};
const QStringList kCoptic = {QString::fromUtf8("ⲡⲓⲛⲟⲩϯ"), QString::fromUtf8("ⲁⲅⲁⲡⲏ"), QString::fromUtf8("ϣⲗⲏⲗ"),
                             QString::fromUtf8("ⲭⲣⲓⲥⲧⲟⲥ"), QString::fromUtf8("ⲉⲕⲕⲗⲏⲥⲓⲁ")};
const QStringList kFamilies = {QStringLiteral("Arial"), QStringLiteral("ArialCoptic"), QStringLiteral("Noto Naskh Arabic")};

// Runs of formatted words at the cursor; returns about how many bytes of RTF they make.
qsizetype insertRuns(QRandomGenerator &rng, QTextCursor &cursor, int runs)
{
    qsizetype estimate = 0;
    for (int r = 0; r < runs; ++r) {
        QTextCharFormat f;
        const int script = rng.bounded(3);
        f.setFontFamilies({kFamilies[script]});
        f.setFontPointSize(rng.bounded(16, 40) / 2.0);
        if (rng.bounded(3) == 0)
            f.setForeground(QColor::fromRgb(rng.bounded(8) * 32, rng.bounded(8) * 32, rng.bounded(8) * 32));
        else
            f.setProperty(rtf::AutoColorProperty, true);
        f.setFontWeight(rng.bounded(4) == 0 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(rng.bounded(5) == 0);
        f.setFontUnderline(rng.bounded(7) == 0);
        f.setProperty(rtf::CharsetProperty, script == 2 ? 178 : 1);
        const QStringList &words = script == 0 ? kEnglish : script == 1 ? kCoptic : kArabic;
        QString text;
        const int count = rng.bounded(2, 12);
        for (int w = 0; w < count; ++w) {
            text += words[rng.bounded(words.size())];
            text += u' ';
            // ASCII costs a byte, everything else about 7 (\uNNNN?).
            estimate += script == 0 ? 8 : 40;
        }
        if (rng.bounded(20) == 0)
            text += QChar(0x2028);
        cursor.insertText(text, f);
        estimate += 20;
    }
    return estimate;
}

// A PNG picture of a few kilobytes, as a file read from RTF holds it; returns its RTF size.
qsizetype insertPicture(QRandomGenerator &rng, QTextDocument &doc, QTextCursor &cursor)
{
    static int count = 0;
    QImage image(rng.bounded(16, 48), rng.bounded(16, 48), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(rng.bounded(256), (x * 8) & 255, (y * 8) & 255)); // hardly compresses
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QString name = QStringLiteral("bench-picture:%1").arg(++count);
    doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(image.width());
    f.setHeight(image.height());
    f.setProperty(rtf::PictureDataProperty, png);
    f.setProperty(rtf::PictureKindProperty, int(rtf::RtfPicture::Png));
    f.setProperty(rtf::PictureSizeProperty, QVariant::fromValue(QList<int>{image.width(), image.height(),
                                                                           image.width() * 15, image.height() * 15,
                                                                           100, 100, 0}));
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    return png.size() * 2 + png.size() / 32 + 80;
}

// A table of a few rows and columns with formatted text in its cells, after the
// cursor's paragraph; the cursor ends in the paragraph after it.
qsizetype insertTable(QRandomGenerator &rng, QTextCursor &cursor)
{
    QTextTable *table = cursor.insertTable(rng.bounded(2, 6), rng.bounded(2, 5));
    qsizetype estimate = 0;
    for (int r = 0; r < table->rows(); ++r) {
        estimate += 40 + table->columns() * 60; // row definition
        for (int c = 0; c < table->columns(); ++c) {
            QTextCursor cell = table->cellAt(r, c).firstCursorPosition();
            estimate += insertRuns(rng, cell, rng.bounded(1, 3)) + 20;
        }
    }
    cursor.setPosition(table->lastPosition() + 1);
    return estimate;
}

// A document whose RTF is about targetBytes long; with tables and pictures, every
// eighth paragraph is a table and every sixth holds a picture.
void buildDocument(QTextDocument &doc, qsizetype targetBytes, bool tablesAndPictures)
{
    QRandomGenerator rng(7);
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    qsizetype estimate = 0;
    bool first = true;
    while (estimate < targetBytes) {
        if (tablesAndPictures && !first && rng.bounded(8) == 0) {
            estimate += insertTable(rng, cursor);
            first = true; // the paragraph after the table is there already
            continue;
        }
        if (!first)
            cursor.insertBlock();
        first = false;
        QTextBlockFormat bf;
        static const Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
        bf.setAlignment(aligns[rng.bounded(4)]);
        bf.setLeftMargin(rng.bounded(0, 5) * 16);
        bf.setTextIndent(-rng.bounded(0, 3) * 8);
        cursor.setBlockFormat(bf);
        if (rng.bounded(8) == 0)
            cursor.createList(QTextListFormat::ListDisc);
        estimate += insertRuns(rng, cursor, rng.bounded(3, 12));
        if (tablesAndPictures && rng.bounded(6) == 0)
            estimate += insertPicture(rng, doc, cursor);
        estimate += 12;
    }
    cursor.endEditBlock();
}

struct Sample
{
    QTextDocument doc;
    QByteArray rtf;
    explicit Sample(bool tablesAndPictures)
    {
        buildDocument(doc, 10 * 1000 * 1000, tablesAndPictures);
        rtf = rtf::writeRtf(doc);
    }
};

// 0: formatted text; 1: with tables and pictures.
Sample &sample(int kind = 0)
{
    if (kind == 1) {
        static Sample withTables(true);
        return withTables;
    }
    static Sample text(false);
    return text;
}

void BM_ReadRtf(benchmark::State &state)
{
    const QByteArray &rtf = sample(int(state.range(0))).rtf;
    for (auto _ : state) {
        QTextDocument doc;
        rtf::loadDocument(rtf, &doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["rtf_MB"] = rtf.size() / 1e6;
}

void BM_WriteRtf(benchmark::State &state)
{
    const QTextDocument &doc = sample(int(state.range(0))).doc;
    qsizetype size = 0;
    double peakOverOutput = 0;
    for (auto _ : state) {
        const std::size_t before = heapcounter::current();
        heapcounter::resetPeak();
        const QByteArray out = rtf::writeRtf(doc);
        size = out.size();
        peakOverOutput = double(heapcounter::peak() - before) / double(size);
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["rtf_MB"] = size / 1e6;
    // What writing takes from the heap at its peak, against what it writes.
    state.counters["heap_peak_over_output"] = peakOverOutput;
}

// Heap while loading against the heap the loaded document keeps.
void BM_LoadMemory(benchmark::State &state)
{
    const QByteArray &rtf = sample().rtf;
    double ratio = 0;
    double docMB = 0;
    double peakMB = 0;
    for (auto _ : state) {
        auto *doc = new QTextDocument;
        const std::size_t before = heapcounter::current();
        heapcounter::resetPeak();
        rtf::loadDocument(rtf, doc);
        const std::size_t after = heapcounter::current();
        const std::size_t peak = heapcounter::peak();
        docMB = (after - before) / 1e6;
        peakMB = (peak - before) / 1e6;
        ratio = double(peak - before) / double(after - before);
        state.PauseTiming();
        delete doc;
        state.ResumeTiming();
    }
    state.counters["doc_heap_MB"] = docMB;
    state.counters["load_peak_MB"] = peakMB;
    state.counters["peak_over_doc"] = ratio;
}

BENCHMARK(BM_ReadRtf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteRtf)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadMemory)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--write-sample") == 0) {
            QFile out(QString::fromLocal8Bit(argv[i + 1]));
            if (!out.open(QIODevice::WriteOnly) || out.write(sample().rtf) != sample().rtf.size())
                return 1;
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

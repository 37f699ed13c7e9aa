// The per-keystroke and per-caret-move work of the formatting side, with every control live:
// SelectionChange after a caret move, and a mapped keystroke in Coptic mode (which ends in
// SelectionChange too), on documents of growing size. The time should not grow with the size.
//   QT_QPA_PLATFORM=offscreen build/bench/format/bench_format
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <memory>

#include "Prompts.h"
#include "RecordingKeyboardLayouts.h"
#include "remain.h"

namespace {

class SilentPrompts : public Prompts
{
public:
    void Message(const QString &) override {}
    void Error(const QString &) override {}
    TConfirmAnswer Confirm(const QString &) override { return TConfirmAnswer::No; }
    std::optional<QString> OpenFileName(const TFileDialogSettings &) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const TFileDialogSettings &) override { return std::nullopt; }
    bool PrintSetup(QPrinter *) override { return false; }
    bool ChooseFont(TFontChoice &) override { return false; }
    void ShowModal(QDialog *) override {}
};

// A window over a document of the given number of paragraphs, the caret in the middle.
std::unique_ptr<TMainForm> MakeForm(int paragraphs)
{
    static QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    QFile map(folder.filePath(QStringLiteral("map.txt")));
    if (map.open(QIODevice::WriteOnly))
        map.write("a\t\xD8\xA7\t\xE2\xB2\x81\nb\t\xD8\xA8\t\xE2\xB2\x83\n");
    map.close();
    auto form = std::make_unique<TMainForm>(std::make_unique<SilentPrompts>(),
                                            std::make_unique<RecordingKeyboardLayouts>());
    form->resize(739, 521);
    QString text;
    for (int i = 0; i < paragraphs; ++i)
        text += QStringLiteral("A line of some sixty characters, formatted as typed, %1\n").arg(i);
    form->Editor->setPlainText(text);
    form->Editor->SetSelStart(form->Editor->Text().size() / 2);
    return form;
}

void BM_SelectionChangeOnCaretMove(benchmark::State &state)
{
    auto form = MakeForm(int(state.range(0)));
    const int middle = form->Editor->SelStart();
    int step = 0;
    for (auto _ : state)
        form->Editor->SetSelStart(middle + (step++ % 2) * 7);
}
BENCHMARK(BM_SelectionChangeOnCaretMove)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same keystroke with the map idle (English): what the control's own insertion costs.
void TypeKeystrokes(benchmark::State &state, QAction *language(TMainForm &))
{
    auto form = MakeForm(int(state.range(0)));
    form->SwitchLanguage(language(*form));
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(form->Editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(form->Editor, &release);
    }
}

void BM_MappedKeystrokeInCoptic(benchmark::State &state)
{
    TypeKeystrokes(state, [](TMainForm &form) { return form.LanguageCoptic; });
}
BENCHMARK(BM_MappedKeystrokeInCoptic)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_KeystrokeInEnglish(benchmark::State &state)
{
    TypeKeystrokes(state, [](TMainForm &form) { return form.LanguageEnglish; });
}
BENCHMARK(BM_KeystrokeInEnglish)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

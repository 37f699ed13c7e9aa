// Hands arbitrary text beginning "{\rtf1 " (or, for inputs starting with '!', the input as it is)
// to Replace selection over a selection that spans a paragraph break. The first byte picks how
// the bytes become text: Latin-1, one character per byte, or UTF-8. Checks: the text before and
// after the selection stays; one undo brings the document back exactly.
#include "TTntRichEdit.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>

namespace {
TTntRichEdit *editor = nullptr;
const QString kBefore = QStringLiteral("ab\u2c81c\r\ndef"); // 2c81: a Coptic letter
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    static TTntRichEdit control;
    editor = &control;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool utf8 = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    const QString body = utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    const QString text = body.startsWith(QLatin1Char('!')) ? body.mid(1) : QStringLiteral("{\\rtf1 ") + body;

    editor->Clear();
    editor->ReplaceSelectionPlain(QStringLiteral("ab\u2c81c\ndef"));
    editor->document()->clearUndoRedoStacks();
    if (editor->Text() != kBefore)
        abort();
    editor->SetSel(3, 4); // "c", the break, "d"
    editor->ReplaceSelection(text);
    const QString after = editor->Text();
    if (!after.startsWith(QStringLiteral("ab\u2c81")) || !after.endsWith(QStringLiteral("ef")))
        abort();
    editor->undo();
    if (editor->Text() != kBefore)
        abort();
    return 0;
}

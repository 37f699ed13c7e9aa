// Loads a document from arbitrary RTF (the input after "{\rtf1 ", or as it is after a leading
// '!') into the control as a file is loaded, and exports it as forum markup. Checks: every
// character of every paragraph appears in the markup, in order (pictures aside, line breaks
// inside paragraphs as "<br>"); and for short documents the
// markup is exactly what the reference walk through every position gives.
#include "TTntRichEdit.h"
#include "untRtf2Html.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

namespace {

TTntRichEdit *editor = nullptr;
QString documentPath;

// True when needle's characters occur in haystack in the same order.
bool isSubsequence(const QString &needle, const QString &haystack)
{
    qsizetype at = 0;
    for (const QChar c : needle) {
        at = haystack.indexOf(c, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    static TTntRichEdit control;
    editor = &control;
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kalvero-fuzz-XXXXXX")
                                                                      : QDir::tempPath() + QStringLiteral("/kalvero-fuzz-XXXXXX"));
    documentPath = dir.filePath(QStringLiteral("document.rtf"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes("{\\rtf1 ", 7);
    if (size > 0 && data[0] == '!')
        bytes = QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    else
        bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(documentPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            abort();
        file.write(bytes);
    }
    try {
        editor->LoadFromFile(documentPath);
    } catch (...) {
        return 0; // a file the control refuses is the load's business
    }

    // A picture has no text in the markup and a line break inside a paragraph is "<br>".
    QString text;
    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next())
        text += block.text();
    text.remove(QChar::ObjectReplacementCharacter);
    text.replace(QChar::LineSeparator, QLatin1String("<br>"));
    const QString markup = RichEditToForumMarkup(editor);
    if (!isSubsequence(text, markup))
        abort();
    if (editor->document()->characterCount() <= 48 && RichEditToForumMarkupByPosition(editor) != markup)
        abort();
    // No event loop runs here: the document a load replaced waits for its deferred delete.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

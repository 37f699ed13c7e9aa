// Documents: new, open, save, print, the unsaved-changes question and closing.
#include "remain.h"

#include <QFileInfo>
#include <QPrinter>
#include <QScopeGuard>

#include "Errors.h"
#include "LoadWatch.h"
#include "TStatusBar.h"

namespace {
// The name of a document that has never been saved; compared exactly.
const QString kUntitled = QStringLiteral("Untitled");
} // namespace

void TMainForm::PromptSaveChanges()
{
    if (!Editor->Modified())
        return;
    switch (prompts().Confirm(QStringLiteral("Save changes to %1?").arg(DocumentName))) {
    case TConfirmAnswer::Cancel:
        throw OperationAborted();
    case TConfirmAnswer::Yes:
        FileSave();
        // The user asked to keep the text: when the save did not happen (Save As cancelled,
        // overwrite refused), the asking operation stops as it would on Cancel.
        if (Editor->Modified())
            throw OperationAborted();
        return;
    case TConfirmAnswer::No:
        return;
    }
}

void TMainForm::FileNew()
{
    ApplyDocumentName(kUntitled);
    Editor->Clear();
    RememberDocumentFile();
    Editor->SetModified(false);
    ShowModifiedState(false);
}

void TMainForm::ReadDocumentFile(const QString &name)
{
    if (m_loadWatch)
        throw OperationAborted(); // one load at a time
    const QFileInfo file(name);
    if (file.isFile()) {
        const QString problem = LoadMemoryProblem(name, file.size(), AvailableMemory ? AvailableMemory() : 0);
        if (!problem.isEmpty())
            throw EKalveroError(problem);
    }
    LoadWatch watch(this, StatusBar, file.fileName(), LoadProgressDelayMs);
    m_loadWatch = &watch;
    const auto finished = qScopeGuard([this, &watch] {
        m_loadWatch = nullptr;
        if (watch.CloseRequested())
            QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
    });
    Editor->LoadFromFile(name, [&watch](qint64 done, qint64 total) { watch.Step(done, total); });
}

void TMainForm::LoadDocument(const QString &name)
{
    ReadDocumentFile(name); // on failure or cancel nothing below runs
    ApplyDocumentName(name);
    RememberDocumentFile();
    Editor->setFocus();
    Editor->SetModified(false);
    ShowModifiedState(false);
}

void TMainForm::FileOpen()
{
    PromptSaveChanges();
    const std::optional<QString> name = prompts().OpenFileName(OpenDialog);
    if (!name)
        return;
    LoadDocument(*name);
    // The dialog offers no read-only choice, so the document is always writable.
    Editor->SetReadOnlyState(false);
}

void TMainForm::DropFiles(const QStringList &names)
{
    // Only the first file is opened; its name is taken whole.
    if (names.isEmpty() || names.first().isEmpty())
        return;
    PromptSaveChanges();
    LoadDocument(names.first());
}

// The first save over the file a document was read from, when the reading left parts of
// it behind, asks first; any answer but Yes saves nothing.
void TMainForm::ConfirmDroppedParts()
{
    const QStringList dropped = Editor->DroppedParts();
    if (dropped.isEmpty())
        return;
    const QString question = QStringLiteral("%1 contains parts that Kalvero cannot keep (%2). Save anyway?")
                                 .arg(DocumentName, dropped.join(QStringLiteral(", ")));
    if (prompts().Confirm(question) != TConfirmAnswer::Yes)
        throw OperationAborted();
}

void TMainForm::FileSave()
{
    if (DocumentName == kUntitled) {
        FileSaveAs();
        return;
    }
    if (!ConfirmSaveOverChanges())
        return;
    ConfirmDroppedParts();
    Editor->SaveToFile(DocumentName);
    RememberDocumentFile();
    Editor->SetModified(false);
    ShowModifiedState(false);
}

void TMainForm::FileSaveAs()
{
    const std::optional<QString> name = prompts().SaveFileName(SaveDialog);
    if (!name)
        return;
    const QFileInfo target(*name);
    if (target.exists() && !target.isDir()
        && prompts().Confirm(QStringLiteral("OK to overwrite %1").arg(*name)) != TConfirmAnswer::Yes)
        return;
    if (target.exists() && DocumentName != kUntitled && target == QFileInfo(DocumentName))
        ConfirmDroppedParts();
    Editor->SaveToFile(*name);
    ApplyDocumentName(*name);
    RememberDocumentFile();
    Editor->SetModified(false);
    ShowModifiedState(false);
}

void TMainForm::FilePrint()
{
    QPrinter printer;
    if (!prompts().PrintSetup(&printer))
        return;
    Editor->Print(DocumentName, &printer);
}

void TMainForm::FileExit()
{
    close();
}

void TMainForm::FormCloseQuery(bool &canClose)
{
    // Cancel, or a save that did not happen, keeps the window open. A save that failed says
    // why: the user asked for the text to be kept and must learn that it was not.
    try {
        PromptSaveChanges();
    } catch (const EKalveroError &e) {
        canClose = false;
        ShowError(e.message());
    } catch (...) {
        canClose = false;
    }
}

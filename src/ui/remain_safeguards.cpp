// Work kept safe: the recovery copy of unsaved changes and its offer at the next start, and the
// question before Save overwrites a file that another program changed.
#include "remain.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextDocument>

#include "DocumentRecovery.h"
#include "RecoveryFiles.h"
#include "TStatusBar.h"

namespace {
const QString kUntitled = QStringLiteral("Untitled");
} // namespace

void TMainForm::StartRecovery()
{
    const QString path = RecoveryFilePath(RecoveryFolder(), QCoreApplication::applicationPid());
    m_recovery = new DocumentRecovery(path, [this] {
        DocumentRecovery::Snapshot snapshot;
        snapshot.document = DocumentCopy::Take(*Editor->document());
        snapshot.defaultFormat = Editor->defaultCharFormat();
        snapshot.header = {DocumentName, QDateTime::currentDateTimeUtc(), m_documentStamp};
        return snapshot;
    }, this);
    // The user hears of a copy that could not be written (a full disk), as long as it matters.
    connect(m_recovery, &DocumentRecovery::WriteFailed, this, [this](const QString &reason) {
        StatusBar->showMessage(RecoveryFailedMessage(reason));
    });
    connect(m_recovery, &DocumentRecovery::WriteRecovered, StatusBar, &QStatusBar::clearMessage);
}

QString TMainForm::RecoveryFailedMessage(const QString &reason)
{
    return QStringLiteral("Unsaved changes are not safe: the recovery copy could not be written. %1").arg(reason);
}

void TMainForm::StopRecovery()
{
    if (m_recovery)
        m_recovery->Discard();
}

void TMainForm::NoteRecoveryState(bool modified)
{
    if (!m_recovery)
        return;
    if (modified)
        m_recovery->DocumentChanged();
    else
        m_recovery->Discard();
}

void TMainForm::OfferRecovery()
{
    const QList<RecoveryEntry> entries = OrphanedRecoveryFiles(RecoveryFolder(), QCoreApplication::applicationPid());
    for (const RecoveryEntry &entry : entries) {
        const QString when = entry.header.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        const QString question = QStringLiteral("Kalvero was not closed properly. Recover the unsaved changes to %1 (from %2)?")
                                     .arg(entry.header.name, when);
        switch (prompts().Confirm(question)) {
        case TConfirmAnswer::Yes:
            RecoverDocument(entry);
            return; // one document at a time: the others are offered at the next start
        case TConfirmAnswer::No:
            QFile::remove(entry.path);
            break;
        case TConfirmAnswer::Cancel:
            break; // kept for the next start
        }
    }
}

void TMainForm::RecoverDocument(const RecoveryEntry &entry)
{
    // The header is a destination that the reader skips; the rest is the document.
    ReadDocumentFile(entry.path);
    ApplyDocumentName(entry.header.name);
    m_documentStamp = entry.header.stamp;
    Editor->setFocus();
    Editor->SetModified(true);
    ShowModifiedState(true);
    // The copy now belongs to this instance: moved, not copied, so it is never offered twice
    // and never missing while this instance runs.
    if (m_recovery) {
        QFile::remove(m_recovery->FilePath());
        QFile::rename(entry.path, m_recovery->FilePath());
    }
}

void TMainForm::RememberDocumentFile()
{
    m_documentStamp = DocumentName == kUntitled ? std::nullopt : FileStamp::Of(DocumentName);
}

bool TMainForm::ConfirmSaveOverChanges()
{
    if (!m_documentStamp || FileStamp::Of(DocumentName) == m_documentStamp)
        return true;
    return prompts().Confirm(QStringLiteral("%1 was changed by another program. Overwrite it?").arg(DocumentName))
        == TConfirmAnswer::Yes;
}

#pragma once

#include <QObject>
#include <QTextCharFormat>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "DocumentCopy.h"
#include "RecoveryFiles.h"

// Keeps a copy of the unsaved document in its recovery file, so that a crash, a kill or a power
// cut loses at most the typing since the last copy. After a change the copy is written once the
// user has paused for PauseMs, and at least every LongestMs while changes go on.
//
// Taking the copy (DocumentCopy) is the only work on the calling thread; rebuilding it, turning
// it into RTF and writing the file (atomically: a new file renamed over the old one) happen on a
// worker thread, one write at a time. The timer and the worker are this class's alone.
class DocumentRecovery : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 PauseMs = 20000;
    static constexpr qint64 LongestMs = 120000;
    // Characters of the document rebuilt at a time for writing it.
    static constexpr qsizetype PartCharacters = 64 * 1024;

    // A copy of the document as it is now, taken on the user-interface thread.
    struct Snapshot
    {
        std::optional<DocumentCopy> document;
        QTextCharFormat defaultFormat;
        RecoveryHeader header;
    };
    using SnapshotSource = std::function<Snapshot()>;

    // path: this instance's recovery file; its folder is made when missing (private to the user).
    DocumentRecovery(QString path, SnapshotSource source, QObject *parent = nullptr);
    // Waits for a write in progress, then removes the file: the program ends normally.
    ~DocumentRecovery() override;

    // The document changed (and is modified): a copy becomes due after the pause.
    void DocumentChanged();
    // The document was saved or discarded: nothing is due and the file goes (a write in
    // progress is dropped, never renamed into place).
    void Discard();

    const QString &FilePath() const { return m_path; }

    // ---- Timing; tests drive it through these ----------------------------------------------
    // Milliseconds since some fixed moment; the steady clock unless replaced.
    void SetClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    // Milliseconds from now until the due copy, or -1 when none is due.
    qint64 MsUntilWrite() const;
    // What the timer runs: starts the copy when it is due, else waits for the rest.
    void TimerExpired();
    // Blocks until the write in progress (if any) is on disk or dropped, and the follow-up
    // bookkeeping ran. True when a write finished since the last call. A write that fails (a
    // full disk) leaves the previous copy, reports WriteFailed and is tried again after the
    // next change.
    bool WaitForWriter();

    // Why the latest copy could not be written (the system's reason), or empty when it was.
    const QString &LastError() const { return m_lastError; }

signals:
    // The latest copy could not be written: the unsaved changes since the one before are not
    // safe. Emitted on the thread that owns this object.
    void WriteFailed(const QString &reason);
    // A copy was written after one that failed.
    void WriteRecovered();

private:
    void arm();
    void startWrite();
    void writerFinished(quint64 sequence);
    QString partPath() const;
    void joinWriter();
    qint64 now() const { return m_clock(); }

    QString m_path;
    SnapshotSource m_source;
    std::function<qint64()> m_clock;
    QTimer m_timer;
    qint64 m_firstChange = -1; // the first change not yet copied
    qint64 m_lastChange = -1;

    // The worker thread and what it writes. m_generation counts Discard() calls: a write
    // started before the latest one is not put in place.
    std::thread m_worker;
    std::optional<DocumentCopy> m_inFlight; // released here, after the join
    quint64 m_sequence = 0;    // of the latest write started
    bool m_writeAgain = false; // a copy fell due while the worker was busy
    bool m_finishedSinceWait = false;
    QString m_lastError;
    QString m_workerError; // written by the worker, read after the join
    std::mutex m_fileMutex;
    quint64 m_generation = 0; // guarded by m_fileMutex
};

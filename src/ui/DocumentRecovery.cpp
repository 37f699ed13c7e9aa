#include "DocumentRecovery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextDocument>

#include "FileWrite.h"
#include "RtfCodec.h"

#include <cerrno>
#include <cstdio>
#include <utility>

namespace {

qint64 steadyMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

DocumentRecovery::DocumentRecovery(QString path, SnapshotSource source, QObject *parent)
    : QObject(parent), m_path(std::move(path)), m_source(std::move(source)), m_clock(steadyMs)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DocumentRecovery::TimerExpired);
}

DocumentRecovery::~DocumentRecovery()
{
    Discard();
    if (m_worker.joinable())
        m_worker.join();
}

void DocumentRecovery::DocumentChanged()
{
    const qint64 t = now();
    if (m_firstChange < 0)
        m_firstChange = t;
    m_lastChange = t;
    arm();
}

void DocumentRecovery::Discard()
{
    m_timer.stop();
    m_firstChange = m_lastChange = -1;
    m_writeAgain = false;
    std::lock_guard<std::mutex> lock(m_fileMutex);
    ++m_generation;
    QFile::remove(m_path);
    QFile::remove(partPath());
    // A copy that could not be written no longer matters: there is nothing left to copy.
    if (!m_lastError.isEmpty()) {
        m_lastError.clear();
        emit WriteRecovered();
    }
}

qint64 DocumentRecovery::MsUntilWrite() const
{
    if (m_firstChange < 0)
        return -1;
    const qint64 due = qMin(m_lastChange + PauseMs, m_firstChange + LongestMs);
    return qMax<qint64>(0, due - now());
}

void DocumentRecovery::arm()
{
    const qint64 wait = MsUntilWrite();
    if (wait < 0)
        m_timer.stop();
    else
        m_timer.start(int(qMin<qint64>(wait, LongestMs)));
}

void DocumentRecovery::TimerExpired()
{
    if (m_firstChange < 0)
        return;
    // A coarse timer may fire a little early: then it waits for the rest.
    if (MsUntilWrite() > 0) {
        arm();
        return;
    }
    m_firstChange = m_lastChange = -1;
    startWrite();
}

void DocumentRecovery::startWrite()
{
    if (m_worker.joinable()) {
        m_writeAgain = true; // the copy is taken when the worker is free, so it is the newest
        return;
    }
    Snapshot snapshot = m_source();
    if (!snapshot.document)
        return;
    m_inFlight = std::move(snapshot.document);
    const quint64 sequence = ++m_sequence;
    quint64 generation;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        generation = m_generation;
    }
    // The worker reads only the copy, which nothing else touches until the join.
    const DocumentCopy *copy = &*m_inFlight;
    m_worker = std::thread([this, copy, format = snapshot.defaultFormat, header = snapshot.header,
                            generation, sequence] {
        QString error;
        try {
            // Rebuilt and written a part at a time, the body through a file of its own: a huge
            // document is neither held whole twice nor its RTF held whole.
            const QString part = partPath();
            QTemporaryFile body(part + QStringLiteral(".body"));
            if (body.open()) {
                qsizetype next = 0;
                const QByteArray head = RecoveryFileBytes(
                    rtf::writeRtfInParts([copy, &next] { return copy->BuildPart(next, PartCharacters); },
                                         copy->Characters(), format, &body),
                    header);
                // The copy is complete on disk beside the old one before it may take its place,
                // and it takes it only if the document was not saved or discarded meanwhile.
                error = body.error() != QFileDevice::NoError ? body.errorString()
                                                             : ReplaceFileContents(part, head, body);
            } else {
                error = body.errorString();
            }
            std::lock_guard<std::mutex> lock(m_fileMutex);
            if (!error.isEmpty() || m_generation != generation)
                QFile::remove(part);
            else if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(m_path).constData()) != 0)
                error = qt_error_string(errno);
        } catch (const std::bad_alloc &) {
            error = qt_error_string(ENOMEM);
        }
        m_workerError = error; // read after the join
        QMetaObject::invokeMethod(this, [this, sequence] { writerFinished(sequence); }, Qt::QueuedConnection);
    });
}

QString DocumentRecovery::partPath() const
{
    return m_path + QStringLiteral(".part");
}

void DocumentRecovery::writerFinished(quint64 sequence)
{
    // WaitForWriter may have done this already for this write.
    if (sequence == m_sequence && m_worker.joinable())
        joinWriter();
}

void DocumentRecovery::joinWriter()
{
    m_worker.join();
    m_inFlight.reset();
    m_finishedSinceWait = true;
    const bool failedBefore = !m_lastError.isEmpty();
    m_lastError = std::exchange(m_workerError, QString());
    if (!m_lastError.isEmpty())
        emit WriteFailed(m_lastError);
    else if (failedBefore)
        emit WriteRecovered();
    if (m_writeAgain) {
        m_writeAgain = false;
        startWrite();
    }
}

bool DocumentRecovery::WaitForWriter()
{
    while (m_worker.joinable())
        joinWriter();
    const bool finished = m_finishedSinceWait;
    m_finishedSinceWait = false;
    return finished;
}

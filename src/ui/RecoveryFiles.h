#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "FileStamp.h"

// The files that keep unsaved documents across a crash. One file per running instance,
// "<process id>.rtf" in RecoveryFolder(). Each is an RTF document that any reader can open:
// right after "{\rtf1" it holds a destination that other readers skip,
//   {\*\kalverorecovery name=<name>;time=<ms since the epoch, UTC>;stamp=<FileStamp or empty>}
// with the name percent-encoded UTF-8.

// What the file says about the document it keeps.
struct RecoveryHeader
{
    QString name;                   // the document's name: "Untitled" or the full path
    QDateTime time;                 // when the copy was taken
    std::optional<FileStamp> stamp; // the document's file as it was last opened or saved
};

// A recovery file left by an instance that no longer runs.
struct RecoveryEntry
{
    QString path;
    qint64 pid = 0;
    RecoveryHeader header;
};

// $XDG_STATE_HOME/kalvero/recovery, or ~/.local/state/kalvero/recovery when the variable is
// unset, empty or not an absolute path. Without a trailing separator.
QString RecoveryFolder();

// The file of the instance with that process id.
QString RecoveryFilePath(const QString &folder, qint64 pid);

// The recovery file's bytes: the header put into RTF that the writer produced. Throws
// std::invalid_argument when rtf does not begin with "{\rtf1".
QByteArray RecoveryFileBytes(QByteArray rtf, const RecoveryHeader &header);

// The header of a recovery file's bytes (only the first few hundred are needed); nothing when
// they hold none.
std::optional<RecoveryHeader> ParseRecoveryHeader(const QByteArray &bytes);

// True while a process with that id exists.
bool ProcessRunning(qint64 pid);

// The recovery files in folder whose instance no longer runs (isRunning decides; ownPid is
// never offered), newest first. Files without a readable header are left alone; what such an
// instance's writes cut short left behind is removed.
QList<RecoveryEntry> OrphanedRecoveryFiles(const QString &folder, qint64 ownPid,
                                           const std::function<bool(qint64)> &isRunning = ProcessRunning);

#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Whole-file replacement that never leaves a half-written file behind it.
//
// The bytes go to a temporary file beside the target, which is flushed, synced and checked
// before it is renamed over the target; any failure removes the temporary file and leaves
// the old file byte for byte as it was. A folder where no new file may be made falls back to
// writing the existing file in place, as the user may write that file.
//
// Returns an empty string on success, otherwise the system's reason ("No space left on
// device", "Permission denied", ...) without the file's name.
QString ReplaceFileContents(const QString &path, const QByteArray &bytes);
// The same, for a file made of `head` followed by everything `rest` holds (read from its start
// a megabyte at a time; a read error is reported as the system gives it).
QString ReplaceFileContents(const QString &path, const QByteArray &head, QIODevice &rest);

// The system's reason why a file may not be read as a document, or an empty string when it
// is a regular file (or does not exist: opening it then reports the reason). Anything that
// is not a regular file (a FIFO, a device, a folder) would block or mislead a reader.
QString NotARegularFileReason(const QString &path);

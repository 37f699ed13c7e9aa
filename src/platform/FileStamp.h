#pragma once

#include <QString>
#include <optional>

// What identifies one version of a file on disk: its size, its modification time to the
// nanosecond and its inode. Another program that writes the file changes the size or the time;
// one that replaces it (as editors do, writing a new file and renaming it over the old) changes
// the inode as well.
struct FileStamp
{
    qint64 size = 0;
    qint64 modifiedNs = 0; // since the epoch
    quint64 device = 0;
    quint64 inode = 0;

    // The stamp of the file as it is now; nothing when it does not exist or is not a file.
    static std::optional<FileStamp> Of(const QString &path);

    // "size:modifiedNs:device:inode", and back; FromText gives nothing for any other text.
    QString ToText() const;
    static std::optional<FileStamp> FromText(const QString &text);

    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.size == b.size && a.modifiedNs == b.modifiedNs && a.device == b.device && a.inode == b.inode;
    }
    friend bool operator!=(const FileStamp &a, const FileStamp &b) { return !(a == b); }
};

#include "FileStamp.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::Of(const QString &path)
{
    struct stat info;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec);
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    return stamp;
}

QString FileStamp::ToText() const
{
    return QStringLiteral("%1:%2:%3:%4").arg(size).arg(modifiedNs).arg(device).arg(inode);
}

std::optional<FileStamp> FileStamp::FromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 4)
        return std::nullopt;
    bool ok[4];
    FileStamp stamp;
    stamp.size = parts[0].toLongLong(&ok[0]);
    stamp.modifiedNs = parts[1].toLongLong(&ok[1]);
    stamp.device = parts[2].toULongLong(&ok[2]);
    stamp.inode = parts[3].toULongLong(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]))
        return std::nullopt;
    return stamp;
}

#pragma once

// Makes a folder read-only for the test process, root included. Permissions stop other
// users; root ignores them, so for root the folder is also bind-mounted read-only onto
// itself inside a mount namespace of the calling thread's own, which vanishes with the process.

#include <QFile>
#include <QString>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

inline bool MakeFolderReadOnly(const QString &folder)
{
    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                              | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (!QFile::setPermissions(folder, readOnly))
        return false;
    if (geteuid() != 0)
        return true;
    static const bool privateMounts =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!privateMounts)
        return false;
    const QByteArray path = QFile::encodeName(folder);
    return mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0
           && mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// Undoes MakeFolderReadOnly, so a temporary folder can be removed.
inline void MakeFolderWritable(const QString &folder)
{
    if (geteuid() == 0)
        umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::WriteOwner);
}

#pragma once

// Takes from a folder the right to create files while the files in it stay writable, the way a
// shared folder often is: the folder loses its write permission and its files are made writable
// by everyone. Permissions do not bind the superuser, so a test run as root acts as the user
// "nobody" (effective user id 65534) while the lock lasts; the folder's parent is then opened
// for passing through. Locked() tells whether it worked: when it did not, skip.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <unistd.h>

class FolderLock
{
public:
    explicit FolderLock(QString folder) : m_folder(std::move(folder))
    {
        const QFileDevice::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
            | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        for (const QFileInfo &entry : QDir(m_folder).entryInfoList(QDir::Files))
            QFile::setPermissions(entry.filePath(), all);
        m_parent = QFileInfo(m_folder).absolutePath();
        m_parentPermissions = QFileInfo(m_parent).permissions();
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                            | QFile::ReadOther | QFile::ExeOther);
        if (geteuid() == 0) {
            QFile::setPermissions(m_parent, m_parentPermissions | QFile::ExeGroup | QFile::ExeOther);
            m_asNobody = seteuid(65534) == 0;
        }
        QFile probe(QDir(m_folder).filePath(QStringLiteral(".probe")));
        m_locked = !probe.open(QIODevice::WriteOnly);
        if (!m_locked)
            probe.remove();
    }
    ~FolderLock()
    {
        if (m_asNobody && seteuid(0) != 0)
            return;
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(m_parent, m_parentPermissions);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    bool Locked() const { return m_locked; }

private:
    QString m_folder;
    QString m_parent;
    QFileDevice::Permissions m_parentPermissions;
    bool m_asNobody = false;
    bool m_locked = false;
};

#include "FileWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return qt_error_string(error);
}

// Why the save file could not be opened. Qt's own text names the path again ("Existing file
// ... is not writable"), so the reason is asked of the system directly where it can be.
QString openFailureReason(const QString &path, const QSaveFile &file)
{
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    if (info.exists() && ::access(target.constData(), W_OK) != 0)
        return systemReason(errno);
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return systemReason(errno);
    return file.errorString();
}

QString replaceFileContents(const QString &path, const QByteArray &bytes, QIODevice *rest)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    // Unbuffered: every write reaches the system at once, so a full disk is seen at the write
    // that meets it, with the system's reason, and never only when the file is closed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return openFailureReason(path, file);

    const auto fail = [&file](QString reason) {
        file.cancelWriting();
        return reason.isEmpty() ? systemReason(EIO) : reason;
    };
    const auto writeAll = [&file](const char *data, qint64 size) {
        for (qint64 done = 0; done < size;) {
            const qint64 n = file.write(data + done, size - done);
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    };
    if (!writeAll(bytes.constData(), bytes.size()))
        return fail(file.errorString());
    if (rest) {
        if (!rest->seek(0))
            return fail(rest->errorString());
        QByteArray block(1024 * 1024, Qt::Uninitialized);
        for (;;) {
            const qint64 n = rest->read(block.data(), block.size());
            if (n < 0)
                return fail(rest->errorString());
            if (n == 0)
                break;
            if (!writeAll(block.constData(), n))
                return fail(file.errorString());
        }
    }
    // commit() closes the file without reporting bytes that could not be flushed and would
    // rename a short file over the old one: nothing may be left to flush when it runs.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (file.handle() >= 0 && ::fsync(file.handle()) != 0)
        return fail(systemReason(errno));
    if (!file.commit())
        return fail(file.errorString());
    return {};
}

} // namespace

QString ReplaceFileContents(const QString &path, const QByteArray &bytes)
{
    return replaceFileContents(path, bytes, nullptr);
}

QString ReplaceFileContents(const QString &path, const QByteArray &head, QIODevice &rest)
{
    return replaceFileContents(path, head, &rest);
}

QString NotARegularFileReason(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    if (info.isDir())
        return systemReason(EISDIR);
    return QStringLiteral("Not a regular file");
}

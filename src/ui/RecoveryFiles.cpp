#include "RecoveryFiles.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <signal.h>
#include <stdexcept>

namespace {

const QByteArray kRtfStart = QByteArrayLiteral("{\\rtf1");
const QByteArray kHeaderStart = QByteArrayLiteral("{\\*\\kalverorecovery ");
// A path of 4096 bytes percent-encoded, with the rest of the header, fits.
constexpr qsizetype kHeaderMaxBytes = 16384;

} // namespace

QString RecoveryFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/kalvero/recovery"));
}

QString RecoveryFilePath(const QString &folder, qint64 pid)
{
    return folder + QLatin1Char('/') + QString::number(pid) + QStringLiteral(".rtf");
}

QByteArray RecoveryFileBytes(QByteArray rtf, const RecoveryHeader &header)
{
    if (!rtf.startsWith(kRtfStart))
        throw std::invalid_argument("recovery copy is not RTF");
    QByteArray group = kHeaderStart + "name=" + header.name.toUtf8().toPercentEncoding();
    group += ";time=" + QByteArray::number(header.time.toMSecsSinceEpoch());
    group += ";stamp=";
    if (header.stamp)
        group += header.stamp->ToText().toLatin1();
    group += '}';
    // Into the RTF's own buffer, which grows at its end without being copied (a document of
    // hundreds of megabytes is recovered too).
    rtf.insert(kRtfStart.size(), group);
    return rtf;
}

std::optional<RecoveryHeader> ParseRecoveryHeader(const QByteArray &bytes)
{
    const QByteArray lead = kRtfStart + kHeaderStart;
    if (!bytes.startsWith(lead))
        return std::nullopt;
    const qsizetype end = bytes.indexOf('}', lead.size());
    if (end < 0)
        return std::nullopt;
    RecoveryHeader header;
    bool haveName = false, haveTime = false;
    for (const QByteArray &field : bytes.mid(lead.size(), end - lead.size()).split(';')) {
        const qsizetype eq = field.indexOf('=');
        if (eq < 0)
            return std::nullopt;
        const QByteArray key = field.left(eq);
        const QByteArray value = field.mid(eq + 1);
        if (key == "name") {
            header.name = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
            haveName = !header.name.isEmpty();
        } else if (key == "time") {
            bool ok = false;
            const qint64 ms = value.toLongLong(&ok);
            header.time = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
            haveTime = ok && header.time.isValid();
        } else if (key == "stamp" && !value.isEmpty()) {
            header.stamp = FileStamp::FromText(QString::fromLatin1(value));
            if (!header.stamp)
                return std::nullopt;
        }
    }
    if (!haveName || !haveTime)
        return std::nullopt;
    return header;
}

bool ProcessRunning(qint64 pid)
{
    if (pid <= 0 || pid != qint64(pid_t(pid)))
        return false;
    // A process of another user still exists when the signal is refused.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QList<RecoveryEntry> OrphanedRecoveryFiles(const QString &folder, qint64 ownPid,
                                           const std::function<bool(qint64)> &isRunning)
{
    QList<RecoveryEntry> entries;
    // What a write cut short left (a copy not yet renamed into place, its body): never offered.
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.rtf.part*")}, QDir::Files)) {
        bool ok = false;
        const qint64 pid = name.left(name.indexOf(QLatin1Char('.'))).toLongLong(&ok);
        if (ok && pid > 0 && pid != ownPid && !isRunning(pid))
            QFile::remove(folder + QLatin1Char('/') + name);
    }
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.rtf")}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const qint64 pid = name.chopped(4).toLongLong(&ok);
        if (!ok || pid <= 0 || pid == ownPid || isRunning(pid))
            continue;
        RecoveryEntry entry;
        entry.path = folder + QLatin1Char('/') + name;
        entry.pid = pid;
        QFile file(entry.path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<RecoveryHeader> header = ParseRecoveryHeader(file.read(kHeaderMaxBytes));
        if (!header)
            continue;
        entry.header = *header;
        entries << entry;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const RecoveryEntry &a, const RecoveryEntry &b) {
        return a.header.time > b.header.time;
    });
    return entries;
}

#include "MemoryStatus.h"

#include <QFile>
#include <QList>
#include <algorithm>
#include <cmath>

#include <sys/sysinfo.h>

namespace {

// The value of one "Name:   1234 kB" line of /proc/meminfo, in bytes; -1 when absent.
qint64 meminfoField(const QByteArray &text, const QByteArray &name)
{
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith(name + ':'))
            continue;
        const QList<QByteArray> parts = line.mid(name.size() + 1).simplified().split(' ');
        bool ok = false;
        const qint64 value = parts.value(0).toLongLong(&ok);
        if (!ok || value < 0)
            return -1;
        const bool kilobytes = parts.size() > 1 && parts[1].toLower() == "kb";
        return kilobytes ? value * 1024 : value;
    }
    return -1;
}

int loadPercent(quint64 total, quint64 available)
{
    if (total == 0)
        return 0;
    if (available > total)
        available = total;
    return int(std::lround(100.0 * double(total - available) / double(total)));
}

} // namespace

MemoryStatus ParseMemInfo(const QByteArray &text)
{
    MemoryStatus status;
    const qint64 total = meminfoField(text, "MemTotal");
    if (total <= 0)
        return status;
    qint64 available = meminfoField(text, "MemAvailable");
    if (available < 0) // kernels before 3.14: free plus page cache
        available = std::max<qint64>(0, meminfoField(text, "MemFree")) + std::max<qint64>(0, meminfoField(text, "Cached"));
    status.totalPhysBytes = quint64(total);
    status.memoryLoadPercent = loadPercent(quint64(total), quint64(available));
    status.availPhysBytes = std::min(quint64(available), quint64(total));
    return status;
}

MemoryStatus QueryMemoryStatus()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        const MemoryStatus status = ParseMemInfo(meminfo.readAll());
        if (status.totalPhysBytes > 0)
            return status;
    }
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return {};
    const quint64 unit = info.mem_unit ? info.mem_unit : 1;
    MemoryStatus status;
    status.totalPhysBytes = quint64(info.totalram) * unit;
    status.availPhysBytes = std::min(status.totalPhysBytes, (quint64(info.freeram) + quint64(info.bufferram)) * unit);
    status.memoryLoadPercent = loadPercent(status.totalPhysBytes, status.availPhysBytes);
    return status;
}

#pragma once

#include <QByteArray>
#include <QtGlobal>

struct MemoryStatus
{
    quint64 totalPhysBytes = 0; // 64-bit: a 32-bit count is wrong above 4 GiB
    int memoryLoadPercent = 0;  // 0..100
    quint64 availPhysBytes = 0; // what can still be had without swapping (MemAvailable)
};

// Reads the machine's memory figures; zeros when they cannot be read.
MemoryStatus QueryMemoryStatus();
// The figures from the text of /proc/meminfo (MemTotal, MemAvailable; zeros without MemTotal).
MemoryStatus ParseMemInfo(const QByteArray &text);

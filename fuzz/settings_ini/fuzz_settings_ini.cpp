// Writes arbitrary bytes as settings.opt, reads the font settings from it and writes them back as
// the window does at its end. Checks: what was written reads back from the rewritten file, and
// rewriting the same values again changes nothing.
#include "IniFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QString scratchFile()
{
    // On a memory file system when there is one: the target writes a file per input.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kalvero-fuzz-XXXXXX")
                                                                      : QDir::tempPath() + QStringLiteral("/kalvero-fuzz-XXXXXX"));
    return dir.filePath(QStringLiteral("settings.opt"));
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = scratchFile();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const QString section = QStringLiteral("Font");
    // The first byte picks the values, so both a change and a rewrite of the same value occur.
    const bool other = size > 0 && (data[0] & 1);
    const QString name = other ? QStringLiteral("Noto Naskh Arabic") : QStringLiteral("ArialCoptic");
    const QString points = other ? QStringLiteral("9") : QStringLiteral("14");

    TIniFile settings(path);
    (void)settings.ReadString(section, QStringLiteral("Name"), QStringLiteral("ArialCoptic"));
    (void)settings.ReadString(section, QStringLiteral("Size"), QStringLiteral("14"));
    settings.WriteString(section, QStringLiteral("Size"), points);
    settings.WriteString(section, QStringLiteral("Name"), name);
    settings.UpdateFile();

    const QByteArray written = readAll(path);
    TIniFile again(path);
    if (again.ReadString(section, QStringLiteral("Name"), QString()) != name
        || again.ReadString(section, QStringLiteral("Size"), QString()) != points)
        abort();
    again.WriteString(section, QStringLiteral("Size"), points);
    again.WriteString(section, QStringLiteral("Name"), name);
    again.UpdateFile();
    if (readAll(path) != written)
        abort();
    return 0;
}

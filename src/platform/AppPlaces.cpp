#include "AppPlaces.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#ifndef KALVERO_SHARE_FROM_BINDIR
#define KALVERO_SHARE_FROM_BINDIR "../share"
#endif

namespace {

const QString kAppFolder = QStringLiteral("kalvero");
const QString kMapName = QStringLiteral("map.txt");
const QString kSettingsName = QStringLiteral("settings.opt");

// The XDG rules: an unset, empty or relative value is ignored and the default used.
QString AbsoluteOr(const QString &value, const QString &fallback)
{
    return !value.isEmpty() && QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

QString WithSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

TAppPlaces TAppPlaces::Current(const QProcessEnvironment &env)
{
    TAppPlaces places;
    places.workingFolder = QDir::currentPath();
    places.executableFolder = WithSeparator(QCoreApplication::applicationDirPath());
    const QString home = AbsoluteOr(env.value(QStringLiteral("HOME")), QDir::homePath());
    places.configHome = AbsoluteOr(env.value(QStringLiteral("XDG_CONFIG_HOME")), home + QStringLiteral("/.config"));
    for (const QString &dir : env.value(QStringLiteral("XDG_DATA_DIRS")).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            places.dataDirs << QDir::cleanPath(dir);
    if (places.dataDirs.isEmpty())
        places.dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    places.shareFromBinary = QStringLiteral(KALVERO_SHARE_FROM_BINDIR);
    return places;
}

QString TAppPlaces::UserFolder() const
{
    return configHome + QLatin1Char('/') + kAppFolder;
}

QStringList TAppPlaces::MapCandidates() const
{
    QStringList candidates;
    auto add = [&candidates](const QString &path) {
        const QString clean = QDir::cleanPath(path);
        if (!candidates.contains(clean))
            candidates << clean;
    };
    add(workingFolder + QLatin1Char('/') + kMapName);
    add(UserFolder() + QLatin1Char('/') + kMapName);
    for (const QString &dir : dataDirs)
        add(dir + QLatin1Char('/') + kAppFolder + QLatin1Char('/') + kMapName);
    if (!shareFromBinary.isEmpty())
        add(executableFolder + shareFromBinary + QLatin1Char('/') + kAppFolder + QLatin1Char('/') + kMapName);
    return candidates;
}

QString TAppPlaces::SettingsFile() const
{
    const QString beside = executableFolder + kSettingsName;
    const QFileInfo file(beside);
    if (IsWritableFolder(executableFolder) || (IsRegularFile(beside) && file.isWritable()))
        return beside;
    return UserFolder() + QLatin1Char('/') + kSettingsName;
}

bool IsRegularFile(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsWritableFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    struct stat info {};
    // access() also answers "no" on a read-only file system, where even root writes nothing.
    return ::stat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) && ::access(name.constData(), W_OK | X_OK) == 0;
}

QString FirstRegularFile(const QStringList &candidates)
{
    for (const QString &path : candidates)
        if (IsRegularFile(path))
            return path;
    return QString();
}

#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where Kalvero finds map.txt and keeps settings.opt. A copy that runs from one folder
// uses the working folder (map) and its own folder (settings) as it always did; an installed
// copy, whose folder the user may not write, falls back on the places a Linux desktop
// expects: $XDG_CONFIG_HOME/kalvero for the user's own files, $XDG_DATA_DIRS/kalvero and
// <prefix>/share/kalvero for the shipped map.
struct TAppPlaces
{
    QString workingFolder;     // absolute, no trailing separator
    QString executableFolder;  // absolute, with its trailing separator
    QString configHome;        // $XDG_CONFIG_HOME, else $HOME/.config
    QStringList dataDirs;      // $XDG_DATA_DIRS, else /usr/local/share and /usr/share
    QString shareFromBinary;   // <prefix>/share as seen from the executable's folder ("../share")

    // The places of this process: its working folder and executable, the given environment.
    static TAppPlaces Current(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());

    // The folder of the user's own Kalvero files: configHome + "/kalvero".
    QString UserFolder() const;
    // Every place map.txt is looked for, in order, each once: the working folder, the user's
    // folder, each data folder, the share folder beside the program's bin folder.
    QStringList MapCandidates() const;
    // settings.opt beside the executable when that file can be written there (the folder is
    // writable, or the file exists and is writable); else in the user's folder.
    QString SettingsFile() const;
};

// True when path names a regular file (after following links): a FIFO, a device, a socket or
// a directory named like the file counts as missing.
bool IsRegularFile(const QString &path);
// True when the process may create files in folder.
bool IsWritableFolder(const QString &folder);
// The first of candidates that is a regular file, or an empty text.
QString FirstRegularFile(const QStringList &candidates);

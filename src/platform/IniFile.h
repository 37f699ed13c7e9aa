#pragma once

#include <QString>
#include <QStringList>

// INI profile file ("[Section]" lines, "Key=Value" lines). Reading a file that does not exist
// gives the defaults. Writing replaces a key's value in place and keeps every other line; a
// missing key is appended at the end of its section, a missing section at the end of the file.
// UpdateFile() writes the file atomically (in place when its folder allows no new file); on
// failure it throws EKalveroError
// "Unable to write to %s" with the file's path.
class TIniFile
{
public:
    explicit TIniFile(QString path);

    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    void WriteString(const QString &section, const QString &key, const QString &value);
    void UpdateFile();
    const QString &FileName() const { return m_path; }
    QStringList lines() const { return m_lines; }

private:
    QString m_path;
    QStringList m_lines;
    bool m_dirty = false;
    bool m_crlf = false; // an existing file keeps its line ends
};

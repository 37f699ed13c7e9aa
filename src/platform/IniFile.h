#pragma once

#include <QString>
#include <QStringList>

// INI profile file ("[Section]" lines, "Key=Value" lines). Reading a file that does not exist
// gives the defaults. Writing replaces a key's value in place and keeps every other byte of the
// file as it was (text in any encoding, line ends); a missing key is appended at the end of its
// section, a missing section at the end of the file.
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
    QStringList lines() const;

private:
    struct Line
    {
        QByteArray bytes; // as in the file, without the line end
        QByteArray end;   // "\n", "\r\n", or nothing on a last line without one
        QString text;     // bytes decoded, for finding sections and keys
    };
    QString m_path;
    QList<Line> m_lines;
    bool m_dirty = false;
    bool m_crlf = false; // lines we add end as the file's do
};

#include "IniFile.h"

#include "Errors.h"
#include "FileWrite.h"

#include <QFile>

namespace {

bool isSectionLine(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

bool isSection(const QString &line, const QString &section)
{
    const QString t = line.trimmed();
    return isSectionLine(line) && t.mid(1, t.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
}

// The key of a "Key=Value" line, or an empty text for any other line.
QString keyOf(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0 || line.trimmed().startsWith(QLatin1Char(';')))
        return {};
    return line.left(eq).trimmed();
}

} // namespace

TIniFile::TIniFile(QString path) : m_path(std::move(path))
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return; // a missing or unreadable file reads as empty
    const QByteArray bytes = file.readAll();
    m_crlf = bytes.contains("\r\n");
    QString text = QString::fromLocal8Bit(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (!text.isEmpty())
        m_lines = text.split(QLatin1Char('\n'));
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    bool inSection = false;
    for (const QString &line : m_lines) {
        if (isSectionLine(line)) {
            inSection = isSection(line, section);
            continue;
        }
        if (inSection && keyOf(line).compare(key, Qt::CaseInsensitive) == 0 && !keyOf(line).isEmpty()) {
            QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
            if (value.size() >= 2 && value.front() == value.back()
                && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return defaultValue;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QString newLine = key + QLatin1Char('=') + value;
    qsizetype sectionAt = -1;
    qsizetype lastEntry = -1; // last non-blank line of the section
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines[i];
        if (isSectionLine(line)) {
            if (sectionAt >= 0)
                break; // past our section
            if (isSection(line, section)) {
                sectionAt = i;
                lastEntry = i;
            }
            continue;
        }
        if (sectionAt < 0)
            continue;
        if (keyOf(line).compare(key, Qt::CaseInsensitive) == 0 && !keyOf(line).isEmpty()) {
            if (m_lines[i] != newLine) {
                m_lines[i] = newLine;
                m_dirty = true;
            }
            return;
        }
        if (!line.trimmed().isEmpty())
            lastEntry = i;
    }
    if (sectionAt < 0) {
        m_lines << QLatin1Char('[') + section + QLatin1Char(']') << newLine;
    } else {
        m_lines.insert(lastEntry + 1, newLine);
    }
    m_dirty = true;
}

void TIniFile::UpdateFile()
{
    if (!m_dirty)
        return;
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QByteArray bytes;
    for (const QString &line : m_lines)
        bytes += (line + eol).toLocal8Bit();
    // A failure, a full disk included, leaves the old file whole.
    if (!ReplaceFileContents(m_path, bytes).isEmpty())
        throw EKalveroError(QStringLiteral("Unable to write to %1").arg(m_path));
    m_dirty = false;
}

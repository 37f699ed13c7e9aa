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
    // Each line keeps its own bytes and line end; only the lines we write are ever re-encoded.
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', from);
        Line line;
        if (lf < 0) {
            line.bytes = bytes.mid(from);
            from = bytes.size();
        } else {
            line.bytes = bytes.mid(from, lf - from);
            line.end = "\n";
            if (line.bytes.endsWith('\r')) {
                line.bytes.chop(1);
                line.end = "\r\n";
            }
            from = lf + 1;
        }
        line.text = QString::fromLocal8Bit(line.bytes);
        m_lines.append(line);
    }
}

QStringList TIniFile::lines() const
{
    QStringList texts;
    texts.reserve(m_lines.size());
    for (const Line &line : m_lines)
        texts.append(line.text);
    return texts;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    bool inSection = false;
    for (const Line &entry : m_lines) {
        const QString &line = entry.text;
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
    const QByteArray eol = m_crlf ? QByteArray("\r\n") : QByteArray("\n");
    qsizetype sectionAt = -1;
    qsizetype lastEntry = -1; // last non-blank line of the section
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines[i].text;
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
            // Only the value changes: the key as written, the equals sign and the blanks after
            // it, and the line end stay byte for byte.
            Line &found = m_lines[i];
            qsizetype valueAt = found.bytes.indexOf('=') + 1;
            while (valueAt < found.bytes.size() && (found.bytes[valueAt] == ' ' || found.bytes[valueAt] == '\t'))
                ++valueAt;
            const QByteArray bytes = found.bytes.left(valueAt) + value.toLocal8Bit();
            if (bytes != found.bytes) {
                found.bytes = bytes;
                found.text = QString::fromLocal8Bit(bytes);
                m_dirty = true;
            }
            return;
        }
        if (!line.trimmed().isEmpty())
            lastEntry = i;
    }
    const auto newLine = [&eol](const QString &text) { return Line{text.toLocal8Bit(), eol, text}; };
    // A line that gets a successor needs a line end of its own.
    const auto endLine = [this, &eol](qsizetype at) {
        if (at >= 0 && at < m_lines.size() && m_lines[at].end.isEmpty())
            m_lines[at].end = eol;
    };
    if (sectionAt < 0) {
        endLine(m_lines.size() - 1);
        m_lines << newLine(QLatin1Char('[') + section + QLatin1Char(']')) << newLine(key + QLatin1Char('=') + value);
    } else {
        endLine(lastEntry);
        m_lines.insert(lastEntry + 1, newLine(key + QLatin1Char('=') + value));
    }
    m_dirty = true;
}

void TIniFile::UpdateFile()
{
    if (!m_dirty)
        return;
    QByteArray bytes;
    for (const Line &line : m_lines)
        bytes += line.bytes + line.end;
    // A failure, a full disk included, leaves the old file whole.
    if (!ReplaceFileContents(m_path, bytes).isEmpty())
        throw EKalveroError(QStringLiteral("Unable to write to %1").arg(m_path));
    m_dirty = false;
}

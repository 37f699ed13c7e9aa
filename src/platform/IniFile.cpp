// Placeholder: replaced by the INI implementation.
#include "IniFile.h"
TIniFile::TIniFile(QString path) : m_path(std::move(path)) {}
QString TIniFile::ReadString(const QString &, const QString &, const QString &d) const { return d; }
void TIniFile::WriteString(const QString &, const QString &, const QString &) {}
void TIniFile::UpdateFile() {}

// The folders the open and save dialogs start in.
#include "remain.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "AppPlaces.h"
#include "IniFile.h"

namespace {

// Kept in a section of its own, apart from the font settings.
const QString kFoldersSection = QStringLiteral("Folders");
const QString kLastUsedKey = QStringLiteral("LastUsed");

QString WithSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QString TMainForm::DialogStartFolder() const
{
    // The program's own folder only while it may be written: an installed program's folder
    // is no place for documents.
    const QString program = QDir::cleanPath(ExecutableFolder());
    const bool programWritable = IsWritableFolder(program);
    auto usable = [&](const QString &folder) {
        return !folder.isEmpty() && QFileInfo(folder).isDir() && (programWritable || QDir::cleanPath(folder) != program);
    };
    if (DocumentName != QLatin1String("Untitled")) {
        const QString folder = QFileInfo(DocumentName).absolutePath();
        if (usable(folder))
            return WithSeparator(folder);
    }
    if (usable(m_lastFolder))
        return WithSeparator(m_lastFolder);
    if (programWritable)
        return WithSeparator(program);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return WithSeparator(usable(documents) ? documents : QDir::homePath());
}

void TMainForm::UpdateDialogFolders()
{
    const QString folder = DialogStartFolder();
    OpenDialog.initialDir = folder;
    SaveDialog.initialDir = folder;
}

void TMainForm::RememberDocumentFolder(const QString &name)
{
    if (name != QLatin1String("Untitled"))
        m_lastFolder = QFileInfo(name).absolutePath();
    UpdateDialogFolders();
}

void TMainForm::ReadLastFolder()
{
    m_lastFolder = TIniFile(SettingsPath()).ReadString(kFoldersSection, kLastUsedKey, QString());
}

void TMainForm::WriteLastFolder(TIniFile &settings) const
{
    if (!m_lastFolder.isEmpty())
        settings.WriteString(kFoldersSection, kLastUsedKey, m_lastFolder);
}

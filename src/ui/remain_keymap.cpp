// The character map: finding, loading, checking and reloading map.txt.
#include "remain.h"

#include <QAction>
#include <QDir>
#include <QMenu>

#include "AppPlaces.h"
#include "MapCheck.h"

namespace {
const QString kMissingMapMessage = QStringLiteral("Couldn't find \"map.txt\" program can not work without it");
} // namespace

bool TMainForm::LoadCharacterMap()
{
    // The working folder first, then the user's own map, then the shipped one.
    const QString path = FirstRegularFile(TAppPlaces::Current().MapCandidates());
    m_mapPath = path;
    if (path.isEmpty()) {
        CharacterMap.clear();
        return false;
    }
    const bool found = LoadCharacterMapFile(path, CharacterMap);
    // Entries that cannot work are named once, the rest of the map works.
    const QString problems = MapProblemsMessage(QDir::toNativeSeparators(path), CheckCharacterMap(CharacterMap));
    if (!problems.isEmpty())
        prompts().Message(problems);
    return found;
}

void TMainForm::CreateKeymapItems()
{
    LanguageMenu->addSeparator();
    miReloadMap = NewMenuItem(LanguageMenu, "miReloadMap", QStringLiteral("&Reload Map"), QKeySequence(),
                              QStringLiteral("Read map.txt again"));
    connect(miReloadMap, &QAction::triggered, this, [this] { Guard([this] { ReloadMapClick(); }); });
}

void TMainForm::ReloadMapClick()
{
    if (!LoadCharacterMap())
        prompts().Message(kMissingMapMessage);
}

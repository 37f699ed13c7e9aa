// The character map: finding and loading map.txt, reloading it.
#include "remain.h"

#include "AppPlaces.h"

bool TMainForm::LoadCharacterMap()
{
    // The working folder first, then the user's own map, then the shipped one.
    const QString path = FirstRegularFile(TAppPlaces::Current().MapCandidates());
    m_mapPath = path;
    if (path.isEmpty()) {
        CharacterMap.clear();
        return false;
    }
    return LoadCharacterMapFile(path, CharacterMap);
}

// Placeholder.
#include "CharacterMap.h"
void TCharacterMap::clear() { KeyColumn.clear(); ArabicColumn.clear(); CopticColumn.clear(); }
int TCharacterMap::find(unsigned char) const { return -1; }
void ParseCharacterMap(const QByteArray &, TCharacterMap &) {}
bool LoadCharacterMapFile(const QString &, TCharacterMap &map) { map.clear(); return false; }
QString DecodeMapText(const QByteArray &) { return {}; }

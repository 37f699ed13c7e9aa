// Feeds arbitrary bytes to the map file parser, then looks every byte up as a key and decodes
// every entry, as typing does. Checks: the three columns stay aligned; a key found is the first
// entry of exactly that one byte, and a key not found has no such entry; decoding never gives
// more UTF-16 units than the entry has bytes, and gives ASCII entries back unchanged.
#include "CharacterMap.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TCharacterMap map;
    ParseCharacterMap(bytes, map);
    if (map.KeyColumn.size() != map.ArabicColumn.size() || map.KeyColumn.size() != map.CopticColumn.size())
        abort();

    for (int key = 0; key < 256; ++key) {
        const int found = map.find(static_cast<unsigned char>(key));
        int first = -1;
        for (int i = 0; i < map.size() && first < 0; ++i)
            if (map.KeyColumn[i] == QByteArray(1, char(key)))
                first = i;
        if (found != first)
            abort();
    }

    auto check = [](const QByteArray &entry) {
        const QString text = DecodeMapText(entry);
        if (text.size() > entry.size())
            abort();
        bool ascii = true;
        for (const char c : entry)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii && text != QString::fromLatin1(entry))
            abort();
    };
    for (int i = 0; i < map.size(); ++i) {
        check(map.ArabicColumn[i]);
        check(map.CopticColumn[i]);
    }
    check(bytes); // the decoder on its own, on any bytes
    return 0;
}

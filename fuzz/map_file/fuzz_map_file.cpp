// Feeds arbitrary bytes to the map file parser, then looks every byte up as a key and decodes
// every entry, as typing does. Checks: the three columns stay aligned; a key found is the first
// entry of exactly that one byte, and a key not found has no such entry; decoding never gives
// more UTF-16 units than the entry has bytes, gives ASCII entries back unchanged, and lets no
// U+0000 into the text (an entry holding one gives nothing).
#include "CharacterMap.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TCharacterMap map;
    ParseCharacterMap(bytes, map);
    if (map.KeyColumn.size() != map.ArabicColumn.size() || map.KeyColumn.size() != map.CopticColumn.size())
        abort();

    int first[256];
    std::fill(std::begin(first), std::end(first), -1);
    for (int i = map.size() - 1; i >= 0; --i)
        if (map.KeyColumn[i].size() == 1)
            first[static_cast<unsigned char>(map.KeyColumn[i][0])] = i;
    // The lookup is a linear scan: ask for every key the map has, and for a few it may lack.
    bool asked[256] = {};
    auto ask = [&](unsigned char key) {
        if (asked[key])
            return;
        asked[key] = true;
        if (map.find(key) != first[key])
            abort();
    };
    for (int key = 0; key < 256; ++key)
        if (first[key] >= 0)
            ask(static_cast<unsigned char>(key));
    ask(0);
    ask(0xFF);
    if (size > 0) {
        ask(data[0]);
        ask(data[size - 1]);
    }

    auto check = [](const QByteArray &entry) {
        const QString text = DecodeMapText(entry);
        if (text.size() > entry.size())
            abort();
        bool ascii = true;
        for (const char c : entry)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (text.contains(QChar(0)) || (entry.contains('\0') && !text.isEmpty()))
            abort();
        if (ascii && !entry.contains('\0') && text != QString::fromLatin1(entry))
            abort();
    };
    for (int i = 0; i < map.size(); ++i) {
        check(map.ArabicColumn[i]);
        check(map.CopticColumn[i]);
    }
    check(bytes); // the decoder on its own, on any bytes
    return 0;
}

#include "CodePage.h"

#include <QByteArray>

#include <array>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace rtf::codepage {

namespace {

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 10000: return "MACINTOSH";
    case 65001: return "UTF-8";
    case 936: return "GBK";
    case 950: return "BIG5";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    default: return "CP" + QByteArray::number(codePage);
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950
        || codePage == 1361 || codePage == Utf8CodePage;
}

// One iconv conversion of a whole run into UTF-16 (host order).
bool iconvDecode(const QByteArray &name, const char *bytes, qsizetype size, QString &out)
{
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    const qsizetype start = out.size();
    out.resize(start + size + 1); // never more UTF-16 units than bytes (+1 for a trailing U+FFFD)
    char *in = const_cast<char *>(bytes);
    size_t inLeft = size_t(size);
    char *dst = reinterpret_cast<char *>(out.data() + start);
    size_t dstLeft = size_t(size + 1) * 2;
    while (inLeft > 0) {
        const size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen: the buffer is large enough
        // Invalid or truncated sequence: one replacement character, skip one byte.
        if (dstLeft < 2)
            break;
        const char16_t replacement = 0xFFFD;
        memcpy(dst, &replacement, 2);
        dst += 2;
        dstLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    const qsizetype written = (reinterpret_cast<QChar *>(dst) - (out.data() + start));
    out.resize(start + written);
    return true;
}

using Table = std::array<char16_t, 256>;

// Builds the table of a single-byte code page by asking iconv for each byte.
std::unique_ptr<Table> buildTable(int codePage)
{
    const QByteArray name = iconvName(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    auto table = std::make_unique<Table>();
    for (int b = 0; b < 256; ++b) {
        char byte = char(b);
        char *in = &byte;
        size_t inLeft = 1;
        char16_t units[4] = {};
        char *dst = reinterpret_cast<char *>(units);
        size_t dstLeft = sizeof units;
        size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        // 1255 and 1258 hold a letter back, waiting for a combining mark: flush it.
        if (r != size_t(-1))
            r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        const bool one = r != size_t(-1) && dstLeft == sizeof units - 2;
        (*table)[b] = one ? units[0] : char16_t(b);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return table;
}

const Table *tableFor(int codePage)
{
    static std::mutex mutex;
    static std::unordered_map<int, std::unique_ptr<Table>> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codePage);
    if (it == tables.end())
        it = tables.emplace(codePage, buildTable(codePage)).first;
    return it->second.get();
}

} // namespace

int forCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return SymbolCodePage;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

int forFontNameSuffix(const QString &name)
{
    static const struct
    {
        const char *suffix;
        int codePage;
    } suffixes[] = {
        {" Baltic", 1257}, {" CE", 1250},          {" Cyr", 1251},          {" Greek", 1253},
        {" Tur", 1254},    {" (Hebrew)", 1255},    {" (Arabic)", 1256},     {" (Vietnamese)", 1258},
    };
    for (const auto &s : suffixes)
        if (name.endsWith(QLatin1String(s.suffix)))
            return s.codePage;
    return 0;
}

bool isAsciiCompatible(int codePage)
{
    // The double-byte pages use bytes below 0x80 as trail bytes.
    return !isDoubleByte(codePage) || codePage == Utf8CodePage;
}

void decode(int codePage, const char *bytes, qsizetype size, QString &out)
{
    if (size <= 0)
        return;
    if (codePage == SymbolCodePage) {
        // Symbol-font bytes are glyph numbers, not text in any code page: keep them,
        // except the bullet every list writer uses.
        out.reserve(out.size() + size);
        for (qsizetype i = 0; i < size; ++i) {
            const uchar b = uchar(bytes[i]);
            out.append(b == 0xB7 ? QChar(0x2022) : QChar(b));
        }
        return;
    }
    if (codePage == Utf8CodePage) {
        out.append(QString::fromUtf8(bytes, size));
        return;
    }
    if (isDoubleByte(codePage)) {
        if (iconvDecode(iconvName(codePage), bytes, size, out))
            return;
        codePage = 1252;
    }
    const Table *table = tableFor(codePage);
    if (!table)
        table = tableFor(1252);
    const qsizetype start = out.size();
    out.resize(start + size);
    QChar *dst = out.data() + start;
    if (!table) { // no iconv at all: Latin-1
        for (qsizetype i = 0; i < size; ++i)
            dst[i] = QChar(uchar(bytes[i]));
        return;
    }
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = QChar((*table)[uchar(bytes[i])]);
}

} // namespace rtf::codepage

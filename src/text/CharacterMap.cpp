#include "CharacterMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "AppPlaces.h"
#include "Errors.h"
#include "strFuncs.h"

void TCharacterMap::clear()
{
    KeyColumn.clear();
    ArabicColumn.clear();
    CopticColumn.clear();
    LineNumbers.clear();
}

int TCharacterMap::find(unsigned char key) const
{
    for (int i = 0; i < size(); ++i) {
        const QByteArray &entry = KeyColumn.at(i);
        if (entry.size() == 1 && static_cast<unsigned char>(entry.at(0)) == key)
            return i;
    }
    return -1;
}

namespace {

constexpr char kTab = '\t';
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kEndOfFile = '\x1A';

void AddLine(const QByteArray &line, int lineNumber, QList<QByteArray> &fields, TCharacterMap &map)
{
    SplitByDelimiter(line, fields, kTab);
    if (fields.size() < 3)
        return;
    map.KeyColumn.append(fields.at(0));
    map.ArabicColumn.append(fields.at(1));
    map.CopticColumn.append(fields.at(2));
    map.LineNumbers.append(lineNumber);
}

} // namespace

void ParseCharacterMap(const QByteArray &bytes, TCharacterMap &map)
{
    QList<QByteArray> fields;
    QByteArray line;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    int lineNumber = 0;
    while (i < n) {
        // Ctrl+Z as the first byte of a line is the end of the file.
        if (bytes.at(i) == kEndOfFile)
            return;
        ++lineNumber;
        line.clear();
        for (; i < n; ++i) {
            const char c = bytes.at(i);
            if (c == kLineFeed) {
                ++i;
                break;
            }
            if (c == kCarriageReturn)
                continue; // before LF it belongs to the line end; alone it is dropped
            if (c == kEndOfFile) {
                // The line's text stops here; the rest up to the line end is skipped.
                const qsizetype lineFeed = bytes.indexOf(kLineFeed, i);
                i = lineFeed < 0 ? n : lineFeed + 1;
                break;
            }
            line.append(c);
        }
        AddLine(line, lineNumber, fields, map);
    }
}

bool LoadCharacterMapFile(const QString &path, TCharacterMap &map)
{
    map.clear();
    // A FIFO or a device could block the program or never end; only files are read.
    if (!IsRegularFile(path))
        return false;

    const QFileInfo info(path);
    const QString shownName = QDir::toNativeSeparators(info.absoluteFilePath());
    const auto tooLarge = [&shownName] {
        return EKalveroError(QStringLiteral("The character map \"%1\" was not read: it is larger than %2 MB")
                                 .arg(shownName)
                                 .arg(kMaxMapFileSize / (1024 * 1024)));
    };
    if (info.size() > kMaxMapFileSize)
        throw tooLarge();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EKalveroError(QStringLiteral("Cannot open file \"%1\". %2").arg(shownName, file.errorString()));

    // One byte more than allowed tells a file that grew since it was looked at.
    QByteArray bytes = file.read(kMaxMapFileSize + 1);
    if (bytes.size() > kMaxMapFileSize)
        throw tooLarge();
    if (file.error() == QFileDevice::NoError) {
        ParseCharacterMap(bytes, map);
        return true;
    }

    // A read that fails part way keeps the complete lines read before the failure.
    const QString reason = file.errorString();
    bytes.truncate(bytes.lastIndexOf(kLineFeed) + 1);
    ParseCharacterMap(bytes, map);
    throw EKalveroError(QStringLiteral("Cannot read file \"%1\". %2").arg(shownName, reason));
}

namespace {

bool IsContinuation(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0xBF;
}

// Strict UTF-8 (shortest forms, no surrogate code points, nothing above U+10FFFF); characters
// beyond U+FFFF become surrogate pairs. Returns false for anything that is not valid UTF-8.
bool DecodeStrictUtf8(const QByteArray &bytes, QString &out)
{
    const qsizetype n = bytes.size();
    out.reserve(n);
    for (qsizetype i = 0; i < n;) {
        const auto lead = static_cast<unsigned char>(bytes.at(i));
        qsizetype length;
        char32_t code;
        unsigned char secondMin = 0x80, secondMax = 0xBF;
        if (lead < 0x80) {
            out.append(QChar(char16_t(lead)));
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
            if (lead == 0xE0)
                secondMin = 0xA0; // no overlong forms
            else if (lead == 0xED)
                secondMax = 0x9F; // no surrogate code points
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
            if (lead == 0xF0)
                secondMin = 0x90;
            else if (lead == 0xF4)
                secondMax = 0x8F; // nothing above U+10FFFF
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (qsizetype k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes.at(i + k));
            if (k == 1 ? (next < secondMin || next > secondMax) : !IsContinuation(next))
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (QChar::requiresSurrogates(code)) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(char16_t(code)));
        }
        i += length;
    }
    return true;
}

} // namespace

QString DecodeMapText(const QByteArray &utf8)
{
    // Only valid UTF-8 gives text: overlong forms (C0 80 would be U+0000), surrogate code
    // points (ED A0 80 would be a lone U+D800) and stray lead bytes are broken sequences like
    // any other. U+0000 itself never enters the document either.
    QString text;
    if (DecodeStrictUtf8(utf8, text) && !text.contains(QChar(0)))
        return text;
    return QString();
}

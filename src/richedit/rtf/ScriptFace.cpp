#include "ScriptFace.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>

namespace rtf {

namespace {

bool isArabic(char32_t u)
{
    return (u >= 0x0600 && u <= 0x06FF) || (u >= 0x0750 && u <= 0x077F) || (u >= 0x08A0 && u <= 0x08FF)
        || (u >= 0xFB50 && u <= 0xFDFF) || (u >= 0xFE70 && u <= 0xFEFF);
}

bool isCoptic(char32_t u)
{
    return (u >= 0x2C80 && u <= 0x2CFF) || (u >= 0x03E2 && u <= 0x03EF) || (u >= 0x102E0 && u <= 0x102FF);
}

bool faceHas(const QString &family, char32_t letter, QString *realFamily = nullptr)
{
    QFont font(family);
    font.setStyleStrategy(QFont::NoFontMerging);
    if (realFamily)
        *realFamily = QFontInfo(font).family();
    return QFontMetricsF(font).inFontUcs4(letter);
}

} // namespace

ScriptFace::Script ScriptFace::scriptOf(QStringView text, char32_t *letter)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            u = QChar::surrogateToUcs4(text[i], text[i + 1]);
        const Script script = isArabic(u) ? Script::Arabic : isCoptic(u) ? Script::Coptic : Script::None;
        if (script != Script::None) {
            if (letter)
                *letter = u;
            return script;
        }
    }
    return Script::None;
}

QString ScriptFace::drawingFace(const QString &family, QStringView text)
{
    char32_t letter = 0;
    const Script script = scriptOf(text, &letter);
    if (script == Script::None || family.isEmpty() || !QGuiApplication::instance())
        return QString();
    const QString key = family + QChar(u'\x1f') + QChar(u'0' + int(script));
    const auto it = m_cache.constFind(key);
    if (it != m_cache.cend())
        return *it;
    QString answer;
    QString real;
    if (!faceHas(family, letter, &real)) {
        for (const QString &substitute : QFont::substitutes(family)) {
            if (faceHas(substitute, letter)) {
                answer = substitute;
                break;
            }
        }
    } else if (real.compare(family, Qt::CaseInsensitive) != 0) {
        answer = real; // the face is not installed: the one drawing in its place
    }
    m_cache.insert(key, answer);
    return answer;
}

} // namespace rtf

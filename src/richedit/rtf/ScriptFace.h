#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

namespace rtf {

// Which face really draws a run's Arabic or Coptic letters: the run's own face
// when it has them, else the first of its substitutes (QFont::substitutes) that
// has them, else the face the font system picked in its place. Answers are kept
// per face and script. Needs a QGuiApplication; without one it names nothing.
class ScriptFace
{
public:
    enum class Script : quint8 { None, Arabic, Coptic };

    // The first Arabic or Coptic letter of the text and its script (0: none).
    static Script scriptOf(QStringView text, char32_t *letter = nullptr);

    // The face that draws the text's first Arabic or Coptic letter when the run's
    // face lacks it; empty when the run's face draws it itself, or the text has none.
    QString drawingFace(const QString &family, QStringView text);

private:
    QHash<QString, QString> m_cache; // family + script -> face ("" for the family itself)
};

} // namespace rtf

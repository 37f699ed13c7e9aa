#include "FontEnumeration.h"

#include <QFontDatabase>
#include <QSet>

QStringList FaceNamesOfFamilies(const QStringList &families)
{
    QStringList names;
    QSet<QString> seen;
    for (const QString &family : families) {
        QString name = family;
        // "C059 [urw]": the foundry in brackets at the end.
        if (name.endsWith(QLatin1Char(']'))) {
            const qsizetype open = name.lastIndexOf(QLatin1String(" ["));
            if (open > 0)
                name.truncate(open);
        }
        name = name.trimmed();
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        names.append(name);
    }
    return names;
}

QStringList EnumerateFontFaceNames()
{
    return FaceNamesOfFamilies(QFontDatabase::families());
}

#include "FontEnumeration.h"

#include <QFontDatabase>

QStringList EnumerateFontFaceNames()
{
    return QFontDatabase::families();
}

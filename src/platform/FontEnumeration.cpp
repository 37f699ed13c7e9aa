// Placeholder.
#include "FontEnumeration.h"
QStringList EnumerateFontFaceNames() { return {}; }

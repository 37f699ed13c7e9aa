#pragma once

#include <QStringList>

// The face names of the screen's typefaces, as the system reports them (unsorted,
// not de-duplicated beyond what the system gives).
QStringList EnumerateFontFaceNames();

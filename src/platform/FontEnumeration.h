#pragma once

#include <QStringList>

// The face names of the screen's typefaces: each face once, as other programs name it (unsorted).
QStringList EnumerateFontFaceNames();

// The face names of a font database's family list: a family that several foundries offer is
// listed as "Family [foundry]"; the face name is the family alone, and each is kept once, at its
// first place.
QStringList FaceNamesOfFamilies(const QStringList &families);

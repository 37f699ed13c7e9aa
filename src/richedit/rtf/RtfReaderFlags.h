#pragma once

#include <QtGlobal>

namespace rtf {

// Bits of the reader's character state, shared by its implementation files.
enum CharFlag : quint8 { Bold = 1, Italic = 2, Underline = 4, Strike = 8, RightToLeft = 16 };
// Associated bold and italic: whether set, and the value.
enum AssocFlag : quint8 { AssocBoldSet = 1, AssocBold = 2, AssocItalicSet = 4, AssocItalic = 8 };

constexpr int MaxHalfPoints = 3276; // 1638 points

} // namespace rtf

#pragma once

#include <QString>
#include <optional>

// Whole-number conversion of the size box and the settings file: leading blanks, one sign,
// decimal digits or hexadecimal after "$", "x" or "0x" (either case), 32-bit signed range.
std::optional<qint32> TryStrToInt(const QString &text);
// The same; throws EKalveroError "'%s' is not a valid integer value" on failure.
qint32 StrToInt(const QString &text);

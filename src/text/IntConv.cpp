// Placeholder.
#include "IntConv.h"
std::optional<qint32> TryStrToInt(const QString &) { return std::nullopt; }
qint32 StrToInt(const QString &) { return 0; }

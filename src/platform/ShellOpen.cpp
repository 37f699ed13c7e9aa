// Placeholder.
#include "ShellOpen.h"
void ShellOpen(const QString &) {}

#pragma once

#include <QString>

// Opens a document or address with the desktop's handler; failures are ignored.
void ShellOpen(const QString &target);

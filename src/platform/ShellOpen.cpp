#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpen(const QString &target)
{
    // The result is of no interest: a failure shows nothing.
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

#include "Resources.h"

#include <QtGlobal>

static void registerKalveroResources()
{
    Q_INIT_RESOURCE(kalvero);
}

void EnsureResources()
{
    static const bool registered = (registerKalveroResources(), true);
    Q_UNUSED(registered);
}

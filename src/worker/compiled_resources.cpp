#include "compiled_resources.h"

#include <QtGlobal>

static bool registerCompiledResources() {
    Q_INIT_RESOURCE(quorvane);
    return true;
}

void ensureCompiledResources() {
    static const bool registered = registerCompiledResources();
    Q_UNUSED(registered);
}

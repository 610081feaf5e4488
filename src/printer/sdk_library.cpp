#include "sdk_library.h"

#include <QDebug>
#include <QLibrary>

QLibrary *sdkLibrary = nullptr;

void loadSdkLibrary() {
    if (sdkLibrary)
        return;
    // A bare name without a directory leaves the search to the dynamic loader.
    auto *library = new QLibrary(QStringLiteral("VantorelAPI"));
    if (!library->load()) {
        qDebug() << "Printer SDK library not loaded:" << library->errorString();
        delete library;
        return;
    }
    sdkLibrary = library;
}

QFunctionPointer sdkExport(const char *name) {
    const QFunctionPointer function = sdkLibrary ? sdkLibrary->resolve(name) : nullptr;
    if (!function)
        qDebug() << "Printer SDK export missing:" << name;
    return function;
}

#pragma once

#include <QFunctionPointer>

class QLibrary;

// The printer SDK library, loaded once and never unloaded; null when it could not be
// loaded. Used from one thread, as the session state is (printer_state.h).
extern QLibrary *sdkLibrary;

// Loads libVantorelAPI.so through the dynamic loader's own search path
// (LD_LIBRARY_PATH, the ld.so cache, the system directories), never from the current
// or the program's directory, so that no stray copy beside the program is picked up.
// The program starts whether or not the library is found.
void loadSdkLibrary();

// Looks an export up by name; null when it is missing or no library is loaded. Called
// right before every use: no address is kept.
QFunctionPointer sdkExport(const char *name);

template <typename Function> Function *sdkFunction(const char *name) {
    return reinterpret_cast<Function *>(sdkExport(name));
}

#include "startup_rows.h"

// Built without the X11 client library: the program's window cannot be watched.
QList<BenchRow> startupRows(int) {
    const QString reason = QStringLiteral("built without libX11");
    return {unavailableRow(QStringLiteral("Start-up to window shown"), reason),
            unavailableRow(QStringLiteral("Peak memory (VmHWM)"), reason)};
}

// Runs printer operations named on the command line in a process of its own, so that
// each run loads whichever SDK library its LD_LIBRARY_PATH offers (or none). The
// printer choice is always "Vantorel_Sim", accepted by the fake platform. Console lines
// go to standard output as the program writes them; the outcome goes to standard error
// as "probe:" lines.

#include "fake_printer_platform.h"
#include "printer_operations.h"

#include "printer/printer_state.h"
#include "printer/sdk_library.h"

#include <QApplication>
#include <QLabel>

#include <cstdio>

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    loadSdkLibrary();
    QLabel label;
    FakePrinterPlatform platform;
    PrinterControl control(&label, platform);
    for (const QString &name : application.arguments().mid(1)) {
        const PrinterOperation operation = printerOperation(name);
        if (!operation) {
            std::fprintf(stderr, "unknown operation %s\n", qPrintable(name));
            return 2;
        }
        (control.*operation)();
    }
    std::fprintf(
        stderr, "probe:label=%s\nprobe:printerType=%d\nprobe:session=%s\nprobe:choices=%d\n",
        qPrintable(label.text()), printerType, sessionHandle ? "open" : "none", platform.choices);
    return 0;
}

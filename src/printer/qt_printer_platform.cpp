#include "qt_printer_platform.h"

#include "printer_queues.h"

#include <QPrintDialog>
#include <QPrinter>

std::optional<QString> QtPrinterPlatform::choosePrinter() {
    QPrinter printer;
    QPrintDialog dialog(&printer);
    // The SDK needs a real printer queue, so printing to a file is not offered.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return printer.printerName();
}

bool QtPrinterPlatform::supportsCardPrinter(const QString &queue) {
    return hasCardPrinterDriver(queue);
}

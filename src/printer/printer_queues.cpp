#include "printer_queues.h"

#include <QPrinterInfo>

bool printerQueueExists(const QString &queue) {
    return !QPrinterInfo::printerInfo(queue).isNull();
}

bool hasCardPrinterDriver(const QString &queue) {
    return QPrinterInfo::printerInfo(queue).makeAndModel().startsWith(QLatin1String("Vantorel"));
}

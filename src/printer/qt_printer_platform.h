#pragma once

#include "printer_platform.h"

// The CUPS queues through Qt's print dialog and printer information.
class QtPrinterPlatform : public PrinterPlatform {
public:
    std::optional<QString> choosePrinter() override;
    bool supportsCardPrinter(const QString &queue) override;
};

#pragma once

#include "printer/printer_platform.h"

#include <QStringList>

// Stands in for the modal print dialog: answers a preset choice and driver verdict and
// records what it was asked.
class FakePrinterPlatform : public PrinterPlatform {
public:
    std::optional<QString> choice = QStringLiteral("Vantorel_Sim");
    bool supported = true;
    int choices = 0;
    QStringList queried;

    std::optional<QString> choosePrinter() override {
        ++choices;
        return choice;
    }
    bool supportsCardPrinter(const QString &queue) override {
        queried << queue;
        return supported;
    }
};

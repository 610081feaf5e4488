#pragma once

#include "printer/printer_control.h"

#include <QString>

// The printer operations by short name, so that test tables can name them.
using PrinterOperation = void (PrinterControl::*)();

inline PrinterOperation printerOperation(const QString &name) {
    if (name == QLatin1String("open"))
        return &PrinterControl::openPrinterSession;
    if (name == QLatin1String("close"))
        return &PrinterControl::closePrinterSession;
    if (name == QLatin1String("contact"))
        return &PrinterControl::cardToContact;
    if (name == QLatin1String("contactless"))
        return &PrinterControl::cardToContactless;
    if (name == QLatin1String("eject"))
        return &PrinterControl::ejectCard;
    return nullptr;
}

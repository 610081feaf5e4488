#pragma once

#include <QString>

#include <optional>

// What the printer code needs from the platform's printing system: a printer chosen by
// the operator and a word on its driver. Tests put a fake choice in its place.
class PrinterPlatform {
public:
    virtual ~PrinterPlatform() = default;

    // Lets the operator choose a printer queue, modally; empty when cancelled.
    virtual std::optional<QString> choosePrinter() = 0;

    // Whether the queue is driven by the card printer maker's driver.
    virtual bool supportsCardPrinter(const QString &queue) = 0;
};

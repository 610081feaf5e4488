#pragma once

#include "busy_printer_dialog.h"
#include "card_printer.h"

#include <QObject>

#include <cstdint>
#include <memory>

class PrinterPlatform;
class QLabel;

// The "Printer" menu's operations: printer sessions and card positioning through the
// SDK library, with the print dialog for the printer, console lines for missing
// exports, SDK errors on the window's message label and a progress dialog while the
// printer is busy. The label and the platform belong to the caller and must outlive
// this object.
class PrinterControl : public QObject, private PrinterFrontEnd {
    Q_OBJECT
public:
    PrinterControl(QLabel *atrLabel, PrinterPlatform &platform, QObject *parent = nullptr);

    void setWaitLimits(const PrinterWaitLimits &limits) { printer_.setWaitLimits(limits); }

    // Shows a failed SDK result in white on red on the message label.
    void showSdkError(std::int32_t result);

public slots:
    void openPrinterSession();
    void closePrinterSession();
    void cardToContact();
    void cardToContactless();
    void ejectCard();

private:
    void exportMissing(const char *exportName, const char *consoleLine) override;
    void sdkFailed(std::int32_t result) override { showSdkError(result); }
    void sessionNeeded() override { openPrinterSession(); }
    bool pauseWhileBusy(std::chrono::milliseconds length) override;
    void busyWaitEnded() override { busyDialog_.reset(); }

    QLabel *atrLabel_;
    PrinterPlatform &platform_;
    CardPrinter printer_;
    std::unique_ptr<BusyPrinterDialog> busyDialog_; // while the printer is busy
};

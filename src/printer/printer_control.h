#pragma once

#include "printer_wait.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>

#include <cstdint>

class PrinterPlatform;
class QLabel;

// The "Printer" menu's operations: printer sessions and card positioning through the
// SDK library, with SDK errors shown on the window's message label. The label and the
// platform belong to the caller and must outlive this object.
class PrinterControl : public QObject {
    Q_OBJECT
public:
    PrinterControl(QLabel *atrLabel, PrinterPlatform &platform, QObject *parent = nullptr);

    void setWaitLimits(const PrinterWaitLimits &limits) { waitLimits_ = limits; }

    // Shows a failed SDK result in white on red on the message label.
    void showSdkError(std::int32_t result);

public slots:
    void openPrinterSession();
    void closePrinterSession();
    void cardToContact();
    void cardToContactless();
    void ejectCard();

private:
    struct Placement;
    enum class Pass { Done, NeedsSession };

    void positionCard(const Placement &placement);
    Pass feedPass(const Placement &placement);
    Pass ejectPass(const Placement &placement);
    Pass movePass(const Placement &placement);
    void awaitPrinter();
    bool succeeded(std::int32_t result);

    QLabel *atrLabel_;
    PrinterPlatform &platform_;
    PrinterWaitLimits waitLimits_;
    // The queue names handed to the SDK, by session: the SDK may use a name for as long
    // as its session lives, so it is kept until a close of that session succeeds.
    QList<QPair<std::uint32_t, QByteArray>> sessionPrinters_;
};

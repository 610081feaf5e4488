#pragma once

#include <QProgressDialog>

#include <chrono>

class QWidget;

// The window's face of a wait for a busy printer: a modal progress dialog with Cancel,
// shown from its creation until it is destroyed.
class BusyPrinterDialog {
public:
    explicit BusyPrinterDialog(QWidget *parent);

    // Pauses in a local event loop, so that the window keeps painting and the card
    // worker's reports keep arriving. False once the operator has cancelled.
    bool pause(std::chrono::milliseconds length);

private:
    QProgressDialog progress_;
};

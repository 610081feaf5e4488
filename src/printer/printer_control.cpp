#include "printer_control.h"

#include "console_out.h"
#include "printer_platform.h"
#include "sdk_errors.h"

#include <QLabel>

namespace {

void writeConsoleLine(const char *line) {
    consoleOut << line << Qt::endl;
}

} // namespace

PrinterControl::PrinterControl(QLabel *atrLabel, PrinterPlatform &platform, QObject *parent)
    : QObject(parent), atrLabel_(atrLabel), platform_(platform), printer_(*this) {}

void PrinterControl::showSdkError(std::int32_t result) {
    atrLabel_->setStyleSheet(QStringLiteral("QLabel { background-color : red; color : white;}"));
    atrLabel_->setText(sdkErrorText(result));
}

void PrinterControl::openPrinterSession() {
    const std::optional<QString> queue = platform_.choosePrinter();
    if (!queue)
        return;
    if (!platform_.supportsCardPrinter(*queue)) {
        writeConsoleLine("Error");
        return;
    }
    printer_.openSession(*queue);
}

void PrinterControl::closePrinterSession() {
    printer_.closeSession();
}

void PrinterControl::cardToContact() {
    printer_.cardToContact();
}

void PrinterControl::cardToContactless() {
    printer_.cardToContactless();
}

void PrinterControl::ejectCard() {
    printer_.ejectCard();
}

void PrinterControl::exportMissing(const char *exportName, const char *consoleLine) {
    Q_UNUSED(exportName);
    writeConsoleLine(consoleLine);
}

bool PrinterControl::pauseWhileBusy(std::chrono::milliseconds length) {
    if (!busyDialog_)
        busyDialog_ = std::make_unique<BusyPrinterDialog>(atrLabel_->window());
    return busyDialog_->pause(length);
}

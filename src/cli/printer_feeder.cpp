#include "printer_feeder.h"

#include "cli_output.h"

#include "printer/printer_queues.h"
#include "printer/printer_state.h"
#include "printer/sdk_errors.h"
#include "printer/sdk_library.h"

#include <QThread>

PrinterFeeder::PrinterFeeder(Station station, std::chrono::milliseconds busyLimit)
    : station_(station), printer_(*this) {
    PrinterWaitLimits limits;
    limits.limit = busyLimit;
    printer_.setWaitLimits(limits);
}

PrinterFeeder::~PrinterFeeder() {
    if (sessionHandle == 0)
        return;
    failure_.clear();
    printer_.closeSession();
    if (!failure_.isEmpty())
        printError(QStringLiteral("the printer session did not close: ") + failure_);
}

QString PrinterFeeder::open(const QString &queue) {
    loadSdkLibrary();
    if (!sdkLibrary)
        return QStringLiteral("no printer SDK library (libVantorelAPI.so): install the card "
                              "printer maker's SDK where the dynamic loader finds it, or put "
                              "its directory on LD_LIBRARY_PATH");
    if (!printerQueueExists(queue))
        return QStringLiteral("no printer queue \"%1\": \"lpstat -p\" lists the queues (and "
                              "says whether CUPS is running)")
            .arg(queue);
    if (!hasCardPrinterDriver(queue))
        return QStringLiteral("the printer queue \"%1\" is not driven by the Vantorel card "
                              "printer driver: give the card printer's queue")
            .arg(queue);
    if (!printer_.openSession(queue))
        return QStringLiteral("no session with the printer \"%1\": %2").arg(queue, failure_);
    return {};
}

bool PrinterFeeder::feed() {
    failure_.clear();
    return moved(station_ == Station::Contact ? printer_.cardToContact()
                                              : printer_.cardToContactless());
}

bool PrinterFeeder::eject() {
    failure_.clear();
    return moved(printer_.ejectCard());
}

bool PrinterFeeder::moved(bool succeeded) {
    if (!succeeded && failure_.isEmpty())
        failure_ = QStringLiteral("the printer did not move the card");
    return succeeded;
}

void PrinterFeeder::exportMissing(const char *exportName, const char *consoleLine) {
    failure_ = QStringLiteral("%1: the SDK library has no %2")
                   .arg(QLatin1String(consoleLine), QLatin1String(exportName));
}

void PrinterFeeder::sdkFailed(std::int32_t result) {
    failure_ = sdkErrorText(result);
}

// The stop request does not cut a wait short: the card would be left wherever the
// motion under way brings it. The wait's limit bounds it.
bool PrinterFeeder::pauseWhileBusy(std::chrono::milliseconds length) {
    QThread::msleep(static_cast<unsigned long>(length.count()));
    return true;
}

#include "busy_printer_dialog.h"

#include <QEventLoop>
#include <QTimer>

BusyPrinterDialog::BusyPrinterDialog(QWidget *parent)
    : progress_(QObject::tr("Waiting for the printer..."), QObject::tr("Cancel"), 0, 0, parent) {
    progress_.setWindowModality(Qt::ApplicationModal);
    progress_.setMinimumDuration(0);
    progress_.show();
}

bool BusyPrinterDialog::pause(std::chrono::milliseconds length) {
    // Returns once the pause has passed or the operator cancelled, whichever comes first.
    QEventLoop loop;
    QTimer::singleShot(length, &loop, &QEventLoop::quit);
    QObject::connect(&progress_, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    loop.exec();
    return !progress_.wasCanceled();
}

#include "printer_wait.h"

#include "sdk_api.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

namespace {

// Returns once the pause has passed or the operator cancelled, whichever comes first.
void pause(QProgressDialog &progress, std::chrono::milliseconds length) {
    QEventLoop loop;
    QTimer::singleShot(length, &loop, &QEventLoop::quit);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

std::optional<std::int32_t> waitForPrinter(const std::function<std::int32_t()> &poll,
                                           QWidget *dialogParent, const PrinterWaitLimits &limits) {
    std::int32_t answer = poll();
    if (sdk::resultCode(answer) != sdk::TimedOut)
        return answer;

    QElapsedTimer elapsed;
    elapsed.start();
    QProgressDialog progress(QObject::tr("Waiting for the printer..."), QObject::tr("Cancel"), 0, 0,
                             dialogParent);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.show();
    for (;;) {
        pause(progress, limits.pause);
        if (progress.wasCanceled())
            return std::nullopt;
        if (elapsed.hasExpired(limits.limit.count()))
            return answer;
        answer = poll();
        if (sdk::resultCode(answer) != sdk::TimedOut)
            return answer;
    }
}

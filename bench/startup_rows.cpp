#include "startup_rows.h"

#include "clock.h"
#include "proc_figures.h"
#include "x_map_observer.h"
#include "xvfb_display.h"

#include <QProcess>
#include <QThread>

#include <cmath>
#include <optional>

namespace {

constexpr int windowLimitMs = 20000;
// After its window shows, the program finishes what it does on start (the worker's
// first reader listing) before its peak memory is read.
constexpr int settleMs = 1000;

const QString programTitle = QStringLiteral("Quorvane - V2.3.1");
const QString bareTitle = QStringLiteral("Bare window");

struct Launch {
    double shownMs;
    double peakMiB;
};

// What a child process runs in: the private display, and the simulated printer SDK on
// the loader's path, as the program finds the real one in use.
QProcessEnvironment childEnvironment(const QByteArray &display) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString libraryPath = environment.value(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       QStringLiteral(SDK_LIBRARY_DIR) +
                           (libraryPath.isEmpty() ? QString() : QLatin1Char(':') + libraryPath));
    return environment;
}

std::optional<Launch> launch(const QString &program, const QString &title,
                             const QByteArray &display, XMapObserver &observer) {
    QProcess child;
    child.setProcessEnvironment(childEnvironment(display));
    child.setStandardOutputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());

    const double started = nowMs();
    child.start(program, QStringList());
    std::optional<Launch> result;
    if (child.waitForStarted(windowLimitMs)) {
        const double shown = observer.waitForWindow(child.processId(), title, windowLimitMs);
        QThread::msleep(settleMs);
        const std::optional<double> peak = peakResidentMiB(child.processId());
        if (!std::isnan(shown) && peak)
            result = Launch{shown - started, *peak};
    }
    child.terminate();
    if (!child.waitForFinished(3000)) {
        child.kill();
        child.waitForFinished();
    }
    return result;
}

} // namespace

QList<BenchRow> startupRows(int runs) {
    BenchRow startup{QStringLiteral("Start-up to window shown"),
                     QStringLiteral("ms"),
                     {},
                     QStringLiteral("process start to its main window mapped on Xvfb; floor: a "
                                    "bare QMainWindow program")};
    BenchRow memory{QStringLiteral("Peak memory (VmHWM)"),
                    QStringLiteral("MiB"),
                    {},
                    QStringLiteral("1 s after the window showed; floor: the same bare program")};
    XvfbDisplay display;
    if (!display.unavailableReason().isEmpty())
        return {unavailableRow(startup.name, display.unavailableReason()),
                unavailableRow(memory.name, display.unavailableReason())};
    XMapObserver observer(display.name());
    if (!observer.opened())
        return {unavailableRow(startup.name, QStringLiteral("cannot open the Xvfb display")),
                unavailableRow(memory.name, QStringLiteral("cannot open the Xvfb display"))};

    for (int run = 0; run < runs; ++run) {
        const auto program =
            launch(QStringLiteral(QUORVANE_PROGRAM), programTitle, display.name(), observer);
        const auto bare =
            launch(QStringLiteral(BARE_WINDOW_PROGRAM), bareTitle, display.name(), observer);
        if (!program || !bare) {
            const QString reason =
                QStringLiteral("%1 showed no window")
                    .arg(program ? QStringLiteral("the bare program") : QStringLiteral("quorvane"));
            return {unavailableRow(startup.name, reason), unavailableRow(memory.name, reason)};
        }
        startup.samples.append(program->shownMs);
        startup.floorSamples.append(bare->shownMs);
        memory.samples.append(program->peakMiB);
        memory.floorSamples.append(bare->peakMiB);
    }
    return {startup, memory};
}

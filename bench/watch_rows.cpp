#include "watch_rows.h"

#include "bare_watch.h"
#include "bench_setup.h"
#include "clock.h"
#include "event_log.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "proc_figures.h"
#include "vpcd_link.h"
#include "worker_probe.h"

#include <QThread>

#include <cmath>
#include <memory>

namespace {

const QString noWatch = QStringLiteral("the worker did not start watching the reader");
const QString noInsert = QStringLiteral("vpcd does not take the virtual card");
// Waits short enough to look for a retirement between them: what the watch would
// cost without its wait canceller.
constexpr int shortWaitMs = 100;

// Starts a worker on the bench reader and waits until it watches it.
bool startWatching(WorkerProbe &probe, EventLog &log) {
    probe.connectToReader(bench::reader());
    return log.waitForPrefix(BenchEvent::UiMessage, bench::watchingText(), bench::reportLimitMs)
        .has_value();
}

double percentOf(double part, double whole) {
    return 100.0 * part / whole;
}

std::optional<BenchEvent> threadFinished(EventLog &log) {
    return log.waitFor(BenchEvent::ThreadFinished, bench::reportLimitMs);
}

// How long after the retirement request the worker's thread ended.
std::optional<double> leaveTime(WorkerProbe &probe, EventLog &log) {
    bench::pauseWithinTurn();
    const double requested = probe.retire();
    const auto finished = threadFinished(log);
    if (!finished)
        return std::nullopt;
    return finished->atMs - requested;
}

} // namespace

QList<BenchRow> idleCpuRows(EventLog &log, int runs, int seconds) {
    BenchRow process{
        QStringLiteral("CPU, watching an empty reader %1 s").arg(seconds),
        QStringLiteral("%"),
        {BenchTarget::Below, 1.0},
        QStringLiteral("% of one core, all threads: the worker, its wait canceller and "
                       "the idle main thread; floor: a bare loop of status-change "
                       "calls with 100 ms waits")};
    BenchRow worker{QStringLiteral("CPU, worker thread alone meanwhile"),
                    QStringLiteral("%"),
                    {},
                    QStringLiteral("the thread blocked in the status-change wait")};
    BenchRow daemon{QStringLiteral("CPU, pcscd meanwhile"),
                    QStringLiteral("%"),
                    {},
                    QStringLiteral("from /proc; its own vpcd polling included")};
    for (int run = 0; run < runs; ++run) {
        log.clear();
        WorkerProbe probe(log);
        if (!startWatching(probe, log))
            return {unavailableRow(process.name, noWatch)};
        const double worker0 = probe.cpuMs();
        const double process0 = cpuClockMs(CLOCK_PROCESS_CPUTIME_ID);
        const std::optional<double> daemon0 = pcscdCpuMs();
        const double wall0 = nowMs();
        QThread::sleep(seconds);
        const double wall = nowMs() - wall0;
        worker.samples.append(percentOf(probe.cpuMs() - worker0, wall));
        process.samples.append(percentOf(cpuClockMs(CLOCK_PROCESS_CPUTIME_ID) - process0, wall));
        const std::optional<double> daemon1 = pcscdCpuMs();
        if (daemon0 && daemon1)
            daemon.samples.append(percentOf(*daemon1 - *daemon0, wall));
        probe.retire();
        threadFinished(log);
        process.floorSamples.append(
            bareTurnLoopCpuPercent(bench::reader().toUtf8(), shortWaitMs, seconds));
    }
    if (!daemon.measured())
        daemon = unavailableRow(daemon.name, QStringLiteral("no readable /run/pcscd/pcscd.pid"));
    return {process, worker, daemon};
}

BenchRow detectionRow(EventLog &log, int runs) {
    BenchRow row{QStringLiteral("Card detection, insert to \"ATR: \""),
                 QStringLiteral("ms"),
                 {BenchTarget::AboveFloorBy, 20.0},
                 QStringLiteral("floor: bare status-change loop on the same insertion")};
    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>());
    for (int run = 0; run < runs; ++run) {
        log.clear();
        WorkerProbe probe(log);
        if (!startWatching(probe, log))
            return unavailableRow(row.name, noWatch);
        BareWatch bare(bench::reader().toUtf8());
        if (!bare.waitUntilWatching(bench::reportLimitMs))
            return unavailableRow(row.name, QStringLiteral("the bare watch did not start"));
        bench::pauseWithinTurn();
        if (!link.insert(bench::slot))
            return unavailableRow(row.name, noInsert);
        const double inserted = nowMs();
        const auto atr =
            log.waitForPrefix(BenchEvent::UiMessage, QStringLiteral("ATR: "), bench::reportLimitMs);
        const double bareSeen = bare.cardSeenAt();
        link.remove();
        if (!atr || std::isnan(bareSeen))
            return unavailableRow(row.name, QStringLiteral("the card was not seen"));
        row.samples.append(atr->atMs - inserted);
        row.floorSamples.append(bareSeen - inserted);
        log.waitFor(BenchEvent::CardRemoved, bench::reportLimitMs);
    }
    return row;
}

QList<BenchRow> interruptionRows(EventLog &log, int runs) {
    BenchRow empty{QStringLiteral("Interruption, waiting for a card"),
                   QStringLiteral("ms"),
                   {BenchTarget::Below, 150.0},
                   QStringLiteral("retirement request to the thread's finished signal")};
    BenchRow present{QStringLiteral("Interruption, waiting for removal"),
                     QStringLiteral("ms"),
                     {BenchTarget::Below, 150.0},
                     empty.note};
    for (int run = 0; run < runs; ++run) {
        log.clear();
        WorkerProbe probe(log);
        if (!startWatching(probe, log))
            return {unavailableRow(empty.name, noWatch)};
        const std::optional<double> left = leaveTime(probe, log);
        if (!left)
            return {unavailableRow(empty.name, QStringLiteral("the worker did not leave"))};
        empty.samples.append(*left);
    }

    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>());
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return {empty, unavailableRow(present.name, noInsert)};
    for (int run = 0; run < runs; ++run) {
        log.clear();
        WorkerProbe probe(log);
        probe.connectToReader(bench::reader());
        if (!log.waitForPrefix(BenchEvent::DebugLine, QStringLiteral("About to look for card exit"),
                               bench::reportLimitMs))
            return {empty, unavailableRow(present.name, QStringLiteral("the card was not seen"))};
        const std::optional<double> left = leaveTime(probe, log);
        if (!left)
            return {empty,
                    unavailableRow(present.name, QStringLiteral("the worker did not leave"))};
        present.samples.append(*left);
    }
    return {empty, present};
}

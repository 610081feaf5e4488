#include "stress_run.h"

#include "cli_output.h"
#include "command_card.h"
#include "kept_reports.h"
#include "printer_feeder.h"
#include "reader_choice.h"
#include "reader_wait.h"
#include "stop_request.h"

#include "card/desfire_exercise.h"
#include "pcsc/card_session.h"
#include "pcsc/pcsc_names.h"
#include "pcsc/reader_names.h"
#include "worker/protocol_choice.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

bool stopRequested() {
    return QThread::currentThread()->isInterruptionRequested();
}

double elapsedMs(const QElapsedTimer &clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

void setPhase(CycleRecord &cycle, Phase phase, const QElapsedTimer &clock) {
    cycle.phaseMs[int(phase)] = elapsedMs(clock);
}

} // namespace

StressRun::StressRun(const StressSettings &settings, PrinterFeeder *printer, RunReport &report)
    : settings_(settings), reader_(readerNameBytes(settings.reader)),
      shownReader_(shownReaderName(settings.reader)), printer_(printer), report_(report) {}

void StressRun::run() {
    for (int number = 1; number <= settings_.cycles && !stopRequested(); ++number) {
        const CycleRecord cycle = printer_ ? printerCycle(number) : readerCycle(number);
        report_.add(cycle);
        printLine(report_.progressLine(cycle));
        if (!stopReason_.isEmpty()) {
            report_.stop(stopReason_);
            return;
        }
    }
    if (stopRequested())
        report_.stop(stopReason(stopCause()));
}

CycleRecord StressRun::printerCycle(int number) {
    CycleRecord cycle;
    cycle.number = number;
    QElapsedTimer total;
    total.start();
    QElapsedTimer feed;
    feed.start();
    const bool fed = printer_->feed();
    setPhase(cycle, Phase::Feed, feed);
    if (fed) {
        if (!stopRequested() && cardArrived(cycle))
            exercise(cycle);
        ejectCard(cycle);
    } else {
        cycle.fail(QStringLiteral("feed"), printer_->failure());
        stopReason_ = QStringLiteral("the printer did not feed the card: ") + printer_->failure();
        // Where the card went is not known; out of the printer is the safe side.
        printer_->eject();
    }
    cycle.totalMs = elapsedMs(total);
    return cycle;
}

CycleRecord StressRun::readerCycle(int number) {
    CycleRecord cycle;
    cycle.number = number;
    QElapsedTimer total;
    total.start();
    if (cardArrived(cycle))
        exercise(cycle);
    else if (cycle.verdict == CycleRecord::Verdict::Failed)
        stopReason_ = QStringLiteral("no card to test in ") + shownReader_;
    cycle.totalMs = elapsedMs(total);
    return cycle;
}

// Fails the cycle when no card came in time; false as well on a stop request.
bool StressRun::cardArrived(CycleRecord &cycle) {
    QElapsedTimer clock;
    clock.start();
    const WaitEnd arrival = waitForCardEvent(reader_, CardEvent::Arrival, settings_.cardTimeout);
    setPhase(cycle, Phase::Detection, clock);
    if (arrival == WaitEnd::TimedOut)
        cycle.fail(QStringLiteral("detection"), noCardWithinTimeout());
    return arrival == WaitEnd::Reached;
}

void StressRun::exercise(CycleRecord &cycle) {
    // A context of its own: a pcscd restarted during the run costs one cycle at most.
    const PcscContext context;
    if (!context.failure().isEmpty()) {
        cycle.fail(QStringLiteral("connect"), context.failure());
        return;
    }
    QElapsedTimer clock;
    clock.start();
    CardRequests requests;
    requests.desfire = true;
    pcsc::CardSession session(context.handle(), reader_, preferredProtocols(requests),
                              pcsc::CardSession::Start::Reset, stopRequested);
    if (session.isOpen()) {
        KeptReports reports;
        const DesfireOutcome outcome = runDesfireExercise(session.handle(), reports);
        session.close();
        if (outcome.verdict == DesfireOutcome::Verdict::Passed) {
            cycle.verdict = CycleRecord::Verdict::Passed;
        } else {
            const QString got = outcome.failure.text();
            if (!outcome.failure.answer.transmitted())
                cycle.codeName = got;
            else if (outcome.failure.statusAtFault())
                cycle.status = got;
            cycle.fail(outcome.failedStep, got);
        }
    } else if (!session.stopped()) { // a stop request leaves the cycle without a verdict
        cycle.codeName = pcscCodeName(session.result());
        if (session.result() == SCARD_E_SHARING_VIOLATION) {
            cardHeldElsewhere_ = true;
            stopReason_ = heldElsewhereMessage(settings_.reader);
        }
        cycle.fail(QStringLiteral("connect"), cardHeldElsewhere_ ? stopReason_ : cycle.codeName);
    }
    setPhase(cycle, Phase::Exercise, clock);
}

void StressRun::ejectCard(CycleRecord &cycle) {
    QElapsedTimer clock;
    clock.start();
    if (!printer_->eject()) {
        cycle.fail(QStringLiteral("eject"), printer_->failure());
        stopReason_ = QStringLiteral("the printer did not eject the card: ") + printer_->failure();
    } else if (!stopRequested() && waitForCardEvent(reader_, CardEvent::Removal,
                                                    settings_.cardTimeout) == WaitEnd::TimedOut) {
        const QString stuck = QStringLiteral("the card did not leave %1 within %2")
                                  .arg(shownReader_, secondsText(settings_.cardTimeout));
        cycle.fail(QStringLiteral("eject"), stuck);
        stopReason_ = stuck;
    }
    setPhase(cycle, Phase::Eject, clock);
}

QString StressRun::noCardWithinTimeout() const {
    return QStringLiteral("no card in %1 within %2")
        .arg(shownReader_, secondsText(settings_.cardTimeout));
}

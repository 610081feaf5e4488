#include "command_rows.h"

#include "bare_card.h"
#include "bare_desfire_cycle.h"
#include "bench_setup.h"
#include "clock.h"
#include "desfire_card.h"
#include "event_log.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"
#include "worker_probe.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr int commandLimitMs = 60000;
constexpr int apduLines = 1000;
const QByteArray apduCommand = QByteArray::fromHex("80100004"); // answers 4 bytes and 90 00
const QString apduLine = QStringLiteral("80 10 00 04");

QString apduText() {
    QStringList lines;
    for (int line = 0; line < apduLines; ++line)
        lines.append(apduLine);
    return lines.join(QLatin1Char('\n'));
}

// The worker's time between two of its reports; none when either does not come.
std::optional<double> workerSpan(EventLog &log, BenchEvent::Kind startKind,
                                 const QString &startPrefix, BenchEvent::Kind endKind,
                                 const std::function<bool(const QString &)> &endMatches) {
    const auto start = log.waitForPrefix(startKind, startPrefix, bench::reportLimitMs);
    const auto end = log.waitFor(endKind, endMatches, commandLimitMs);
    if (!start || !end)
        return std::nullopt;
    return end->atMs - start->atMs;
}

} // namespace

BenchRow desfireExerciseRow(EventLog &log, int runs) {
    BenchRow row{QStringLiteral("DESFire exercise, 152 frames"),
                 QStringLiteral("ms"),
                 {BenchTarget::TimesFloor, 1.2},
                 QStringLiteral("worker: start of the exercise to its verdict; floor: the same "
                                "frames through bare SCardTransmit")};
    auto card = std::make_shared<vcard::DesfireCard>();
    vcard::VpcdLink link(card);
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return unavailableRow(row.name, QStringLiteral("vpcd does not take the virtual card"));
    bool cardLeftEmpty = true;
    const auto checkCardEmpty = [&] {
        link.withCard([&](vcard::VirtualCard &) {
            cardLeftEmpty = cardLeftEmpty && card->applicationIds().empty();
        });
    };
    for (int run = 0; run < runs; ++run) {
        log.clear();
        std::optional<double> exercise;
        QString verdict;
        {
            WorkerProbe probe(log);
            probe.sendDESFire(bench::reader());
            exercise = workerSpan(log, BenchEvent::DebugLine,
                                  QStringLiteral("I've been asked to run through DESFire"),
                                  BenchEvent::UiMessage, [&verdict](const QString &text) {
                                      const bool found = text.startsWith(QLatin1String("DESFire"));
                                      if (found)
                                          verdict = text;
                                      return found;
                                  });
        }
        checkCardEmpty();
        if (!exercise || verdict != QLatin1String("DESFire Test Passed"))
            return unavailableRow(row.name,
                                  QStringLiteral("the worker's exercise did not pass: ") +
                                      (verdict.isEmpty() ? QStringLiteral("no verdict") : verdict));

        BareCard bare(bench::reader().toUtf8(), SCARD_PROTOCOL_T1);
        const double start = nowMs();
        const bool passed = bare.connected() && BareDesfireCycle(bare).run();
        const double floor = nowMs() - start;
        checkCardEmpty();
        if (!passed)
            return unavailableRow(row.name, QStringLiteral("the bare cycle did not pass"));
        row.samples.append(*exercise);
        row.floorSamples.append(floor);
    }
    if (!cardLeftEmpty)
        row.note += QStringLiteral("; the card was NOT left empty");
    return row;
}

BenchRow apduRunRow(EventLog &log, int runs) {
    BenchRow row{QStringLiteral("APDU run, %1 lines of %2").arg(apduLines).arg(apduLine),
                 QStringLiteral("ms"),
                 {},
                 QStringLiteral("worker: the exchange's line list to its pop-up; floor: the same "
                                "commands through bare SCardTransmit")};
    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>());
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return unavailableRow(row.name, QStringLiteral("vpcd does not take the virtual card"));
    const QString lastEntry = QStringLiteral("APDU Response %1: ").arg(apduLines);
    for (int run = 0; run < runs; ++run) {
        log.clear();
        std::optional<double> exchange;
        bool allAnswered = false;
        {
            WorkerProbe probe(log);
            probe.sendAPDU(bench::reader(), apduText());
            exchange = workerSpan(log, BenchEvent::DebugLine, QStringLiteral("(\"") + apduLine,
                                  BenchEvent::Popup, [&](const QString &text) {
                                      allAnswered =
                                          text.count(QLatin1Char('\r')) == apduLines - 1 &&
                                          text.contains(lastEntry);
                                      return true;
                                  });
        }
        if (!exchange || !allAnswered)
            return unavailableRow(row.name, QStringLiteral("the worker's pop-up lacks answers"));

        BareCard bare(bench::reader().toUtf8(), SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1);
        int answered = 0;
        const double start = nowMs();
        for (int line = 0; bare.connected() && line < apduLines; ++line)
            answered += endsWith(bare.transmit(apduCommand), 0x90, 0x00);
        const double floor = nowMs() - start;
        if (answered != apduLines)
            return unavailableRow(row.name, QStringLiteral("bare transmissions failed"));
        row.samples.append(*exchange);
        row.floorSamples.append(floor);
    }
    return row;
}

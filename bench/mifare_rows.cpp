#include "mifare_rows.h"

#include "bare_card.h"
#include "bare_mifare_cycle.h"
#include "bench_setup.h"
#include "card/mifare_classic_test.h"
#include "clock.h"
#include "mifare_classic_card.h"
#include "pcsc/pcsc.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"

#include <memory>

namespace {

// The test through the program's own code on a connection of its own; the connection
// is made and ended outside the span.
std::optional<double> timedTest(int *commands) {
    SCARDCONTEXT context = 0;
    if (pcsc::establishContext(&context) != SCARD_S_SUCCESS)
        return std::nullopt;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    std::optional<double> span;
    if (pcsc::connect(context, bench::reader().toUtf8(), SCARD_PROTOCOL_T1, &card, &protocol) ==
        SCARD_S_SUCCESS) {
        const double start = nowMs();
        const mifare::TestOutcome outcome = mifare::runClassicTest(card, mifare::TestSettings{});
        const double end = nowMs();
        *commands = outcome.counts.commands;
        if (outcome.verdict == mifare::TestOutcome::Verdict::Passed)
            span = end - start;
        pcsc::disconnect(card, SCARD_RESET_CARD);
    }
    pcsc::releaseContext(context);
    return span;
}

} // namespace

BenchRow mifareClassicRow(int runs) {
    BenchRow row{QStringLiteral("MIFARE Classic 1K cycle"),
                 QStringLiteral("ms"),
                 {BenchTarget::TimesFloor, 1.2},
                 QStringLiteral("the test: its whole cycle, identification included; floor: the "
                                "same commands through bare SCardTransmit")};
    auto card = std::make_shared<vcard::MifareClassicCard>();
    vcard::VpcdLink link(card);
    if (!link.insert(bench::slot) || !testsupport::waitForCard(testsupport::contactReader, true))
        return unavailableRow(row.name, QStringLiteral("vpcd does not take the virtual card"));
    std::vector<vcard::mifare::Block> before;
    link.withCard([&](vcard::VirtualCard &) {
        for (int block = 0; block < card->blockCount(); ++block)
            before.push_back(card->block(block));
    });
    int commands = 0;
    for (int run = 0; run < runs; ++run) {
        const std::optional<double> test = timedTest(&commands);
        if (!test)
            return unavailableRow(row.name, QStringLiteral("the test did not pass"));

        BareCard bare(bench::reader().toUtf8(), SCARD_PROTOCOL_T1);
        BareMifareCycle cycle(bare);
        const double start = nowMs();
        const bool passed =
            bare.connected() && cycle.run(mifare::allSectors(mifare::ClassicType::Classic1K));
        const double floor = nowMs() - start;
        if (!passed)
            return unavailableRow(row.name, QStringLiteral("the bare cycle did not pass"));
        if (cycle.commands() != commands)
            return unavailableRow(row.name,
                                  QStringLiteral("the bare cycle sent %1 commands, the test %2")
                                      .arg(cycle.commands())
                                      .arg(commands));
        row.samples.append(*test);
        row.floorSamples.append(floor);
    }
    row.name += QStringLiteral(", %1 commands").arg(commands);
    bool unchanged = true;
    link.withCard([&](vcard::VirtualCard &) {
        for (int block = 0; block < card->blockCount(); ++block)
            unchanged = unchanged && card->block(block) == before[std::size_t(block)];
    });
    if (!unchanged)
        row.note += QStringLiteral("; the card was NOT left as it was");
    return row;
}

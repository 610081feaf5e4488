// Wall time of the DESFire stress test against the bare PC/SC round trips of the same
// commands on the same virtual card in the same run. Not a test: prints the medians
// and their ratio. Run under the vpcd lock.

#include "card/card_reports.h"
#include "card/desfire_exercise.h"
#include "desfire_card.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"
#include "worker/pcsc.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct SilentReports : CardReports {
    void reportUiMessage(const QString &) override {}
    void reportPopup(const QString &, const QString &) override {}
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

SCARDHANDLE connectCard(SCARDCONTEXT context) {
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    pcsc::connect(context, testsupport::contactReader, SCARD_PROTOCOL_T1, &card, &protocol);
    return card;
}

} // namespace

int main(int argc, char **argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    auto desfireCard = std::make_shared<vcard::DesfireCard>();
    vcard::VpcdLink link(desfireCard);
    SCARDCONTEXT context = 0;
    if (pcsc::establishContext(&context) != SCARD_S_SUCCESS || !link.insert(0) ||
        !testsupport::waitForCard(testsupport::contactReader, true)) {
        std::fprintf(stderr, "no pcscd, vpcd or card\n");
        return 1;
    }

    // The commands of one exercise, as the card received them.
    SilentReports reports;
    runDesfireExercise(connectCard(context), reports);
    std::vector<vcard::Bytes> commands;
    link.withCard([&](vcard::VirtualCard &) {
        for (const vcard::DesfireExchange &exchange : desfireCard->commandLog())
            commands.push_back(exchange.command);
    });

    std::vector<double> bare, exercise;
    for (int round = 0; round < rounds; ++round) {
        SCARDHANDLE card = connectCard(context);
        QElapsedTimer clock;
        clock.start();
        for (const vcard::Bytes &command : commands) {
            BYTE answer[258];
            DWORD length = sizeof answer;
            SCardTransmit(card, SCARD_PCI_T1, command.data(), DWORD(command.size()), nullptr,
                          answer, &length);
        }
        bare.push_back(clock.nsecsElapsed() / 1e6);
        pcsc::disconnect(card, SCARD_RESET_CARD);

        card = connectCard(context);
        clock.restart();
        runDesfireExercise(card, reports); // ends with the reset disconnect
        exercise.push_back(clock.nsecsElapsed() / 1e6);
    }
    pcsc::releaseContext(context);
    link.remove();

    std::fprintf(stderr,
                 "%zu commands per run, %d rounds\n"
                 "bare SCardTransmit median %.2f ms, exercise median %.2f ms, ratio %.2f\n",
                 commands.size(), rounds, median(bare), median(exercise),
                 median(exercise) / median(bare));
    return 0;
}

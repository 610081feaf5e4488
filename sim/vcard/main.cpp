// Command-line virtual card: inserts one card into a vpcd slot until it is stopped
// (SIGINT, SIGTERM) or, with --seconds, for a while.

#include "card_factory.h"
#include "hex.h"
#include "iso_card.h"
#include "vpcd_link.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

int usage()
{
    std::fprintf(stderr,
                 "usage: vcard [--slot N] [--card KIND] [--atr HEX] [--log FILE] [--seconds S]\n"
                 "  --slot N      vpcd slot (0: Virtual PCD 00 00, 1: Virtual PCD 00 01)\n"
                 "  --card KIND   iso (DESFire ATR, T=0 and T=1), iso-t0, iso-t1\n"
                 "  --atr HEX     an ISO card with this ATR instead\n"
                 "  --log FILE    append every exchange to FILE\n"
                 "  --seconds S   remove the card after S seconds\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int slot = 0;
    std::string kind = "iso", atrHex, logPath;
    double seconds = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--slot" && hasValue)
            slot = std::atoi(argv[++i]);
        else if (arg == "--card" && hasValue)
            kind = argv[++i];
        else if (arg == "--atr" && hasValue)
            atrHex = argv[++i];
        else if (arg == "--log" && hasValue)
            logPath = argv[++i];
        else if (arg == "--seconds" && hasValue)
            seconds = std::atof(argv[++i]);
        else
            return usage();
    }

    std::shared_ptr<vcard::VirtualCard> card =
        atrHex.empty() ? vcard::makeCard(kind)
                       : std::make_shared<vcard::IsoCard>(vcard::fromHex(atrHex));
    if (!card) {
        std::fprintf(stderr, "vcard: unknown card kind '%s'\n", kind.c_str());
        return usage();
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    vcard::VpcdLink link(card);
    if (!link.insert(slot)) {
        std::fprintf(stderr, "vcard: vpcd is not listening on port %d (is pcscd running?)\n",
                     vcard::vpcdBasePort + slot);
        return 1;
    }

    std::ofstream log;
    if (!logPath.empty())
        log.open(logPath, std::ios::app);
    std::size_t logged = 0;
    const auto start = std::chrono::steady_clock::now();
    while (!stopRequested && link.inserted()) {
        if (seconds >= 0 && std::chrono::steady_clock::now() - start >=
                                std::chrono::duration<double>(seconds))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (log.is_open()) {
            const auto entries = link.log();
            for (; logged < entries.size(); ++logged)
                log << entries[logged] << '\n';
            log.flush();
        }
    }
    link.remove();
    return 0;
}

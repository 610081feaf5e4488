// Command-line virtual card: inserts one card into a vpcd slot until it is stopped
// (SIGINT, SIGTERM) or, with --seconds, for a while.

#include "card_factory.h"
#include "desfire_card.h"
#include "hex.h"
#include "iso_card.h"
#include "vpcd_link.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: vcard [--slot N] [--card KIND] [--atr HEX] [--log FILE] [--seconds S]\n"
                 "             [--picc-key HEX] [--app AID]... [--status-padding N]\n"
                 "             [--auth-answers A,B | --auth-answers-picc A,B]\n"
                 "  --slot N      vpcd slot (0: Virtual PCD 00 00, 1: Virtual PCD 00 01)\n"
                 "  --card KIND   desfire, iso (DESFire ATR, T=0 and T=1), iso-t0, iso-t1\n"
                 "  --atr HEX     an ISO card with this ATR instead\n"
                 "  --log FILE    append every exchange to FILE\n"
                 "  --seconds S   remove the card after S seconds\n"
                 "  --picc-key HEX        desfire: card master key, 8 bytes (default zero)\n"
                 "  --app AID             desfire: an existing application, AID as sent\n"
                 "                        (e.g. C82868), settings 0F, 14 zero DES keys\n"
                 "  --status-padding N    desfire: N extra bytes before every status word\n"
                 "  --auth-answers A,B    desfire: answer every authentication with A, then\n"
                 "                        B (hex, status word and all; - for the card's\n"
                 "                        own answer), and take it as done\n"
                 "  --auth-answers-picc A,B   the same, at the card level only\n");
    return 2;
}

bool parseDesKey(const std::string &hex, vcard::desfire::DesKey *key) {
    const vcard::Bytes bytes = vcard::fromHex(hex);
    if (bytes.size() != key->size())
        return false;
    std::copy(bytes.begin(), bytes.end(), key->begin());
    return true;
}

bool parseApplication(const std::string &hex, vcard::DesfireOptions *options) {
    const vcard::Bytes bytes = vcard::fromHex(hex);
    if (bytes.size() != 3)
        return false;
    vcard::DesfireApplicationSpec app;
    app.aid = {bytes[0], bytes[1], bytes[2]};
    options->applications.push_back(app);
    return true;
}

// "A,B": the made-up answers to the two frames, "-" for the card's own.
bool parseMadeUpAuthentication(const std::string &text, bool piccLevelOnly,
                               vcard::DesfireOptions *options) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return false;
    const auto answer = [](const std::string &hex) -> std::optional<vcard::Bytes> {
        if (hex == "-")
            return std::nullopt;
        return vcard::fromHex(hex);
    };
    vcard::MadeUpAuthentication madeUp;
    madeUp.challenge = answer(text.substr(0, comma));
    madeUp.confirmation = answer(text.substr(comma + 1));
    madeUp.piccLevelOnly = piccLevelOnly;
    options->madeUpAuthentication = madeUp;
    return true;
}

std::shared_ptr<vcard::VirtualCard> makeDesfireCard(const vcard::DesfireOptions &options) {
    try {
        return std::make_shared<vcard::DesfireCard>(options);
    } catch (const std::invalid_argument &error) {
        std::fprintf(stderr, "vcard: %s\n", error.what());
        return nullptr;
    }
}

} // namespace

int main(int argc, char **argv) {
    int slot = 0;
    std::string kind = "iso", atrHex, logPath;
    double seconds = -1;
    vcard::DesfireOptions desfire;
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
        else if (arg == "--picc-key" && hasValue &&
                 parseDesKey(argv[i + 1], &desfire.piccMasterKey))
            ++i;
        else if (arg == "--app" && hasValue && parseApplication(argv[i + 1], &desfire))
            ++i;
        else if ((arg == "--auth-answers" || arg == "--auth-answers-picc") && hasValue &&
                 parseMadeUpAuthentication(argv[i + 1], arg == "--auth-answers-picc", &desfire))
            ++i;
        else if (arg == "--status-padding" && hasValue)
            desfire.statusPadding = static_cast<std::size_t>(std::atoi(argv[++i]));
        else
            return usage();
    }

    std::shared_ptr<vcard::VirtualCard> card;
    if (!atrHex.empty())
        card = std::make_shared<vcard::IsoCard>(vcard::fromHex(atrHex));
    else if (kind == "desfire") {
        card = makeDesfireCard(desfire);
        if (!card)
            return 2;
    } else {
        card = vcard::makeCard(kind);
    }
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
        if (seconds >= 0 &&
            std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds))
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

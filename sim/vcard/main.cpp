// Command-line virtual card: inserts one card into a vpcd slot until it is stopped
// (SIGINT, SIGTERM) or, with --seconds, for a while.

#include "card_factory.h"
#include "desfire_card.h"
#include "hex.h"
#include "iso_card.h"
#include "mifare_arguments.h"
#include "mifare_classic_card.h"
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
#include <utility>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: vcard [--slot N] [--card KIND] [--atr HEX] [--log FILE] [--seconds S]\n"
        "             [--pull-after N] [--picc-key HEX] [--app AID]... [--status-padding N]\n"
        "             [--uid HEX] [--key-a [SECTOR:]HEX]... [--key-b [SECTOR:]HEX]...\n"
        "             [--access [SECTOR:]HEX]... [--block BLOCK:HEX]...\n"
        "             [--fault-silent BLOCK]... [--fault-refuse BLOCK]...\n"
        "             [--auth-answers A,B | --auth-answers-picc A,B]\n"
        "  --slot N      vpcd slot (0: Virtual PCD 00 00, 1: Virtual PCD 00 01)\n"
        "  --card KIND   desfire, iso (DESFire ATR, T=0 and T=1), iso-t0, iso-t1,\n"
        "                mifare-1k, mifare-4k, mifare-mini (MIFARE Classic behind\n"
        "                a PC/SC contactless reader)\n"
        "  --atr HEX     an ISO card with this ATR instead\n"
        "  --log FILE    append every exchange to FILE\n"
        "  --seconds S   remove the card after S seconds\n"
        "  --pull-after N        leave the reader at the command after the Nth,\n"
        "                        unanswered, as a card pulled out of the field\n"
        "  --picc-key HEX        desfire: card master key, 8 bytes (default zero)\n"
        "  --app AID             desfire: an existing application, AID as sent\n"
        "                        (e.g. C82868), settings 0F, 14 zero DES keys\n"
        "  --status-padding N    desfire: N extra bytes before every status word\n"
        "  --auth-answers A,B    desfire: answer every authentication with A, then\n"
        "                        B (hex, status word and all; - for the card's\n"
        "                        own answer), and take it as done\n"
        "  --auth-answers-picc A,B   the same, at the card level only\n"
        "  --uid HEX             mifare: the 4-byte UID\n"
        "  --key-a [SECTOR:]HEX  mifare: key A, 6 bytes, of that sector or of every\n"
        "                        sector (default FFFFFFFFFFFF)\n"
        "  --key-b [SECTOR:]HEX  mifare: key B, the same way\n"
        "  --access [SECTOR:]HEX mifare: the trailer's access bits, bytes 6 to 8\n"
        "                        (default FF0780; 8F0787: data read-only with key A)\n"
        "  --block BLOCK:HEX     mifare: a data block's 16 bytes (default zero)\n"
        "  --fault-silent BLOCK  mifare: writes answer 90 00 and change nothing\n"
        "  --fault-refuse BLOCK  mifare: writes answer 65 81 and change nothing\n");
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

// Null, with the reason on standard error, for options that describe no card.
template <typename Card, typename Options>
std::shared_ptr<vcard::VirtualCard> makeConfiguredCard(const Options &options) {
    try {
        return std::make_shared<Card>(options);
    } catch (const std::invalid_argument &error) {
        std::fprintf(stderr, "vcard: %s\n", error.what());
        return nullptr;
    }
}

// The MIFARE options in the order given, applied once the card's type is known.
using PendingOptions = std::vector<std::pair<std::string, std::string>>;

std::shared_ptr<vcard::VirtualCard> makeMifareCard(vcard::mifare::CardType type,
                                                   const PendingOptions &pending) {
    vcard::MifareOptions options;
    options.type = type;
    for (const auto &[option, value] : pending)
        if (!vcard::applyMifareOption(option, value, &options)) {
            std::fprintf(stderr, "vcard: %s %s does not fit the card\n", option.c_str(),
                         value.c_str());
            return nullptr;
        }
    return makeConfiguredCard<vcard::MifareClassicCard>(options);
}

} // namespace

int main(int argc, char **argv) {
    int slot = 0;
    std::string kind = "iso", atrHex, logPath;
    double seconds = -1;
    int pullAfter = 0;
    vcard::DesfireOptions desfire;
    PendingOptions mifare;
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
        else if (arg == "--pull-after" && hasValue)
            pullAfter = std::atoi(argv[++i]);
        else if (vcard::isMifareOption(arg) && hasValue) {
            mifare.emplace_back(arg, argv[i + 1]);
            ++i;
        } else
            return usage();
    }

    std::shared_ptr<vcard::VirtualCard> card;
    if (!atrHex.empty())
        card = std::make_shared<vcard::IsoCard>(vcard::fromHex(atrHex));
    else if (kind == "desfire") {
        card = makeConfiguredCard<vcard::DesfireCard>(desfire);
        if (!card)
            return 2;
    } else if (const auto type = vcard::mifareCardType(kind)) {
        card = makeMifareCard(*type, mifare);
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
    link.dropAfterCommands(pullAfter);
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

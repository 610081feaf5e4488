// A second PC/SC client, as the services of a desktop are to every card that arrives:
// at random moments it connects to the reader, sends a few commands and disconnects, a
// third of the time with a reset; with --exclusive some of its connections are
// exclusive and held for 50-300 ms. With --hold-ms it instead holds the card
// exclusively once, as soon as there is one, for that long. It runs for --seconds at
// most (or until SIGTERM or SIGINT) and ends with one line of what it did, which tests
// read to know that it really probed.

#include "probe_commands.h"

#include <PCSC/winscard.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

struct Settings {
    std::string reader;
    double seconds = 10;
    unsigned seed = std::random_device{}();
    bool exclusive = false;
    int holdMs = 0;      // one exclusive hold of this length instead of probing
    int maxPauseMs = 30; // between two probes
};

int usage() {
    std::fprintf(stderr, "usage: pcsc_prober --reader NAME [--seconds S] [--seed N] [--exclusive]\n"
                         "                   [--pause-ms MAX] [--hold-ms MS]\n");
    return 2;
}

bool parse(int argc, char **argv, Settings *settings) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--reader" && hasValue)
            settings->reader = argv[++i];
        else if (arg == "--seconds" && hasValue)
            settings->seconds = std::atof(argv[++i]);
        else if (arg == "--seed" && hasValue)
            settings->seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--exclusive")
            settings->exclusive = true;
        else if (arg == "--pause-ms" && hasValue)
            settings->maxPauseMs = std::atoi(argv[++i]);
        else if (arg == "--hold-ms" && hasValue)
            settings->holdMs = std::atoi(argv[++i]);
        else
            return false;
    }
    return !settings->reader.empty();
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void report(const prober::Counts &counts) {
    std::printf("prober: connections=%ld exclusive=%ld refused=%ld commands=%ld answered=%ld "
                "resets=%ld unfinished=%ld\n",
                counts.connections, counts.exclusive, counts.refused, counts.commands,
                counts.answered, counts.resets, counts.unfinished);
    std::fflush(stdout);
}

// One connection: a few commands, an exclusive one held a while, then the disconnect.
void probeOnce(SCARDCONTEXT context, const Settings &settings, std::mt19937 &random,
               prober::Counts &counts) {
    const bool exclusive = settings.exclusive && random() % 4 == 0;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    if (SCardConnect(context, settings.reader.c_str(),
                     exclusive ? SCARD_SHARE_EXCLUSIVE : SCARD_SHARE_SHARED,
                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol) != SCARD_S_SUCCESS) {
        ++counts.refused;
        return;
    }
    ++counts.connections;
    prober::sendProbes(card, protocol, random, counts);
    if (exclusive) {
        ++counts.exclusive;
        sleepMs(std::uniform_int_distribution<int>(50, 300)(random));
    }
    const bool reset = random() % 3 == 0;
    counts.resets += reset;
    SCardDisconnect(card, reset ? SCARD_RESET_CARD : SCARD_LEAVE_CARD);
}

// Waits for a card and holds it exclusively; false when none came in time.
bool holdOnce(SCARDCONTEXT context, const Settings &settings, Clock::time_point deadline,
              prober::Counts &counts) {
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    while (SCardConnect(context, settings.reader.c_str(), SCARD_SHARE_EXCLUSIVE,
                        SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card,
                        &protocol) != SCARD_S_SUCCESS) {
        ++counts.refused;
        if (stopRequested || Clock::now() >= deadline)
            return false;
        sleepMs(5);
    }
    ++counts.connections;
    ++counts.exclusive;
    std::printf("prober: holding\n");
    std::fflush(stdout);
    sleepMs(settings.holdMs);
    SCardDisconnect(card, SCARD_LEAVE_CARD);
    std::printf("prober: released\n");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    Settings settings;
    if (!parse(argc, argv, &settings))
        return usage();
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        std::fprintf(stderr, "pcsc_prober: pcscd does not answer\n");
        return 1;
    }
    std::printf("prober: ready, seed %u\n", settings.seed);
    std::fflush(stdout);

    const auto deadline = Clock::now() + std::chrono::milliseconds(long(settings.seconds * 1000));
    std::mt19937 random(settings.seed);
    prober::Counts counts;
    bool held = true;
    if (settings.holdMs > 0) {
        held = holdOnce(context, settings, deadline, counts);
    } else {
        while (!stopRequested && Clock::now() < deadline) {
            sleepMs(std::uniform_int_distribution<int>(0, settings.maxPauseMs)(random));
            probeOnce(context, settings, random, counts);
        }
    }
    SCardReleaseContext(context);
    report(counts);
    return held ? 0 : 1;
}

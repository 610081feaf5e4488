#include "bare_watch.h"

#include "clock.h"

#include <PCSC/winscard.h>

#include <chrono>
#include <cmath>

namespace {
constexpr DWORD callLimitMs = 5000;
constexpr double watchLimitMs = 15000;
} // namespace

BareWatch::BareWatch(const QByteArray &reader) : reader_(reader) {
    thread_ = std::thread([this] { watch(); });
}

BareWatch::~BareWatch() {
    thread_.join();
}

bool BareWatch::waitUntilWatching(int timeoutMs) {
    return watching_.get_future().wait_for(std::chrono::milliseconds(timeoutMs)) ==
           std::future_status::ready;
}

double BareWatch::cardSeenAt() {
    return seen_.get_future().get();
}

void BareWatch::watch() {
    double seenAt = std::nan("");
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        watching_.set_value();
        seen_.set_value(seenAt);
        return;
    }
    SCARD_READERSTATE state{};
    state.szReader = reader_.constData();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    SCardGetStatusChange(context, 0, &state, 1);
    state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
    watching_.set_value();

    const double deadline = nowMs() + watchLimitMs;
    while (!(state.dwCurrentState & SCARD_STATE_PRESENT) && nowMs() < deadline) {
        const LONG result = SCardGetStatusChange(context, callLimitMs, &state, 1);
        if (result == SCARD_S_SUCCESS) {
            if (state.dwEventState & SCARD_STATE_PRESENT)
                seenAt = nowMs();
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        } else if (result != SCARD_E_TIMEOUT) {
            break;
        }
    }
    SCardReleaseContext(context);
    seen_.set_value(seenAt);
}

double bareTurnLoopCpuPercent(const QByteArray &reader, int turnMs, int seconds) {
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
        return std::nan("");
    SCARD_READERSTATE state{};
    state.szReader = reader.constData();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const double cpu0 = cpuClockMs(CLOCK_THREAD_CPUTIME_ID);
    const double wall0 = nowMs();
    while (nowMs() - wall0 < seconds * 1000.0) {
        if (SCardGetStatusChange(context, DWORD(turnMs), &state, 1) == SCARD_S_SUCCESS)
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
    }
    const double percent = 100.0 * (cpuClockMs(CLOCK_THREAD_CPUTIME_ID) - cpu0) / (nowMs() - wall0);
    SCardReleaseContext(context);
    return percent;
}

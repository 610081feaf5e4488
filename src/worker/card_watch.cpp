#include "card_watch.h"

#include "interruption.h"
#include "pcsc/pcsc.h"

#include <QThread>

#include <PCSC/pcsclite.h>

namespace {

// A long wait costs little: an interruption request cancels it (WaitCanceller).
const DWORD turnMs = 1000;
// Between attempts while the service or the reader is away.
const unsigned long retryPauseMs = 100;

bool contextLost(LONG result) {
    return result == SCARD_E_NO_SERVICE || result == SCARD_E_SERVICE_STOPPED ||
           result == SCARD_E_INVALID_HANDLE || result == SCARD_F_COMM_ERROR;
}

} // namespace

CardWatch::CardWatch(SCARDCONTEXT *context, const QByteArray &reader)
    : context_(context), reader_(reader), canceller_(QThread::currentThread()) {
    state_.szReader = reader_.constData();
    state_.dwCurrentState = SCARD_STATE_UNAWARE;
}

bool CardWatch::waitForCard() {
    for (;;) {
        switch (nextTurn()) {
        case Turn::Interrupted:
            return false;
        case Turn::Changed:
            // The card may have come while the wait was being cancelled: a worker
            // retired by then must not start on it.
            if (state_.dwCurrentState & SCARD_STATE_PRESENT)
                return !workerRetired();
            break;
        case Turn::Unchanged:
            break;
        }
    }
}

bool CardWatch::waitForRemoval() {
    for (;;) {
        const DWORD before = state_.dwCurrentState;
        switch (nextTurn()) {
        case Turn::Interrupted:
            return false;
        case Turn::Changed:
            if ((state_.dwCurrentState & SCARD_STATE_EMPTY) && !(before & SCARD_STATE_EMPTY))
                return true;
            break;
        case Turn::Unchanged:
            break;
        }
    }
}

// One look for an interruption request, then at most one status-change call (or one
// pause when it fails). A change is stored as the new current state, so the next call
// waits for the one after it.
CardWatch::Turn CardWatch::nextTurn() {
    if (workerRetired())
        return Turn::Interrupted;
    if (!*context_ && pcsc::establishContext(context_) != SCARD_S_SUCCESS) {
        *context_ = 0;
        QThread::msleep(retryPauseMs);
        return Turn::Unchanged;
    }
    canceller_.watch(*context_);
    const LONG result = pcsc::getStatusChange(*context_, turnMs, &state_);
    canceller_.watch(0);
    if (result == SCARD_S_SUCCESS && (state_.dwEventState & SCARD_STATE_CHANGED)) {
        state_.dwCurrentState = state_.dwEventState & ~SCARD_STATE_CHANGED;
        return Turn::Changed;
    }
    if (result != SCARD_S_SUCCESS && result != SCARD_E_TIMEOUT && result != SCARD_E_CANCELLED)
        recover(result);
    return Turn::Unchanged;
}

void CardWatch::recover(LONG failure) {
    if (contextLost(failure)) {
        pcsc::releaseContext(*context_);
        *context_ = 0;
        // The new context knows nothing of the reader yet.
        state_.dwCurrentState = SCARD_STATE_UNAWARE;
    }
    QThread::msleep(retryPauseMs);
}

#pragma once

#include "wait_canceller.h"

#include <QByteArray>

#include <PCSC/winscard.h>

// Watches one reader for a card and for its removal without busy waiting: each
// status-change call waits at most one time-out, the worker thread's interruption
// request is looked at before every call, and a request cancels a wait under way. Failed calls are
// retried after a pause; when a failure means the context is dead (the service went away or was
// restarted) a new context replaces *context, silently.
class CardWatch {
public:
    // *context is the caller's context; it may be replaced, and is 0 while the
    // service cannot be reached. The caller releases what is left in it.
    CardWatch(SCARDCONTEXT *context, const QByteArray &reader);

    // True once a card is present; false on an interruption request.
    bool waitForCard();
    // True once the reader reports empty after having held a card; false on an
    // interruption request.
    bool waitForRemoval();

private:
    enum class Turn { Interrupted, Changed, Unchanged };
    Turn nextTurn();
    void recover(LONG failure);

    SCARDCONTEXT *context_;
    QByteArray reader_;
    SCARD_READERSTATE state_{};
    WaitCanceller canceller_;
};

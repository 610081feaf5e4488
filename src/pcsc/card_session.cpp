#include "card_session.h"

#include "pcsc.h"

#include <chrono>
#include <thread>

namespace pcsc {

namespace {

using namespace std::chrono_literals;

// Another program's exclusive hold is usually brief (a login service, GnuPG's
// scdaemon looking at a new card).
constexpr auto heldRetryEvery = 100ms;
constexpr auto heldRetryFor = 3s;
// How often a stop request is looked at between two tries.
constexpr auto stopLookEvery = 10ms;

} // namespace

CardSession::CardSession(SCARDCONTEXT context, const QByteArray &reader, DWORD preferredProtocols,
                         Start start, std::function<bool()> stopRequested)
    : preferredProtocols_(preferredProtocols), stopRequested_(std::move(stopRequested)) {
    result_ = connectWhileHeldElsewhere(context, reader);
    if (result_ != SCARD_S_SUCCESS)
        return;
    result_ = begin(start);
    if (result_ != SCARD_S_SUCCESS) {
        disconnect(card_, SCARD_RESET_CARD);
        card_ = 0;
    }
}

CardSession::~CardSession() {
    close();
}

void CardSession::close() {
    if (!isOpen())
        return;
    endTransaction(card_, SCARD_LEAVE_CARD);
    disconnect(card_, SCARD_RESET_CARD);
    card_ = 0;
}

LONG CardSession::connectWhileHeldElsewhere(SCARDCONTEXT context, const QByteArray &reader) {
    const auto giveUpAt = std::chrono::steady_clock::now() + heldRetryFor;
    for (;;) {
        const LONG result = connect(context, reader, preferredProtocols_, &card_, &activeProtocol_);
        if (result != SCARD_E_SHARING_VIOLATION) {
            if (result != SCARD_S_SUCCESS)
                card_ = 0;
            return result;
        }
        card_ = 0;
        const auto nextTry = std::chrono::steady_clock::now() + heldRetryEvery;
        if (nextTry > giveUpAt)
            return result;
        while (std::chrono::steady_clock::now() < nextTry) {
            if (stopRequested_ && stopRequested_()) {
                stopped_ = true;
                return result;
            }
            std::this_thread::sleep_for(stopLookEvery);
        }
    }
}

LONG CardSession::begin(Start start) {
    const LONG result = beginAfterForeignReset();
    if (result != SCARD_S_SUCCESS || start == Start::AsFound)
        return result;
    return reconnect(card_, preferredProtocols_, SCARD_RESET_CARD, &activeProtocol_);
}

// A reset that another program made after our connect is owed an acknowledgement
// before the card takes commands again; the transaction's start, or the first call
// after it, reports it. Once is enough: inside the transaction no other reset comes.
// Any other failure of that first call is left for the caller's own calls to meet.
LONG CardSession::beginAfterForeignReset() {
    LONG result = beginTransaction(card_);
    if (result == SCARD_S_SUCCESS) {
        DWORD state = 0;
        QByteArray atr;
        if (status(card_, MAX_ATR_SIZE, &state, &atr) != SCARD_W_RESET_CARD)
            return SCARD_S_SUCCESS;
        endTransaction(card_, SCARD_LEAVE_CARD);
        result = SCARD_W_RESET_CARD;
    }
    if (result != SCARD_W_RESET_CARD)
        return result;
    result = reconnect(card_, preferredProtocols_, SCARD_LEAVE_CARD, &activeProtocol_);
    return result == SCARD_S_SUCCESS ? beginTransaction(card_) : result;
}

} // namespace pcsc

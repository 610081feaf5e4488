#pragma once

#include <QByteArray>

#include <PCSC/winscard.h>

#include <functional>

namespace pcsc {

// One card session, from the connect to the disconnect, held as a PC/SC transaction so
// that no command or reset of another program lands inside it.
//
// Opening connects in shared mode and begins the transaction at once. A reset by
// another program between the two (SCARD_W_RESET_CARD from the transaction's start or
// from the session's first status query) is acknowledged with one reconnect, silently.
// A card that another program holds exclusively (SCARD_E_SHARING_VIOLATION) is asked
// for again every 100 ms, for up to 3 s, until the connect gives anything else or
// stopRequested answers true. A session that sends commands starts from a reset, inside
// the transaction: another program may have left the card in a state of its own (an
// application selected, a chain of frames not finished). Closing ends the transaction and
// disconnects with a reset: a card left powered keeps its negotiated protocol, and a later T=1-only
// connection to it would be refused.
class CardSession {
public:
    enum class Start { AsFound, Reset };

    CardSession(SCARDCONTEXT context, const QByteArray &reader, DWORD preferredProtocols,
                Start start, std::function<bool()> stopRequested = {});
    ~CardSession(); // closes the session

    CardSession(const CardSession &) = delete;
    CardSession &operator=(const CardSession &) = delete;

    bool isOpen() const { return card_ != 0; }
    // Why the session did not open: the connect's result, or the transaction's.
    LONG result() const { return result_; }
    // The tries for a card held elsewhere were cut short by stopRequested.
    bool stopped() const { return stopped_; }

    SCARDHANDLE handle() const { return card_; }
    DWORD activeProtocol() const { return activeProtocol_; }

    void close();

private:
    LONG connectWhileHeldElsewhere(SCARDCONTEXT context, const QByteArray &reader);
    LONG beginAfterForeignReset();
    LONG begin(Start start);

    DWORD preferredProtocols_;
    std::function<bool()> stopRequested_;
    SCARDHANDLE card_ = 0;
    DWORD activeProtocol_ = 0;
    LONG result_ = SCARD_S_SUCCESS;
    bool stopped_ = false;
};

} // namespace pcsc

#pragma once

#include <QByteArray>

#include <PCSC/winscard.h>

// One connection through pcscd to the card in a reader, with T=1, for the length of a
// test; the card is reset when it ends.
class ReaderConnection {
public:
    explicit ReaderConnection(const char *reader);
    ~ReaderConnection();
    ReaderConnection(const ReaderConnection &) = delete;
    ReaderConnection &operator=(const ReaderConnection &) = delete;

    bool connected() const { return connected_; }
    // command in hex; the answer is empty when the transmission failed.
    LONG transmit(const char *command, DWORD receiveLength, QByteArray *answer);
    // The ATR as pcscd gives it.
    QByteArray atr() const;

private:
    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
    bool connected_ = false;
};

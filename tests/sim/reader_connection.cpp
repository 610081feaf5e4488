#include "reader_connection.h"

#include "pcsc/pcsc.h"

ReaderConnection::ReaderConnection(const char *reader) {
    if (pcsc::establishContext(&context_) != SCARD_S_SUCCESS)
        return;
    DWORD protocol = 0;
    connected_ =
        pcsc::connect(context_, reader, SCARD_PROTOCOL_T1, &card_, &protocol) == SCARD_S_SUCCESS;
}

ReaderConnection::~ReaderConnection() {
    if (connected_)
        pcsc::disconnect(card_, SCARD_RESET_CARD);
    pcsc::releaseContext(context_);
}

LONG ReaderConnection::transmit(const char *command, DWORD receiveLength, QByteArray *answer) {
    return pcsc::transmit(card_, pcsc::t1Pci(), QByteArray::fromHex(command), receiveLength,
                          answer);
}

QByteArray ReaderConnection::atr() const {
    DWORD state = 0;
    QByteArray atr;
    pcsc::status(card_, MAX_ATR_SIZE, &state, &atr);
    return atr;
}

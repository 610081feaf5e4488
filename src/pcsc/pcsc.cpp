#include "pcsc.h"

#include "reader_names.h"

#include <vector>

namespace pcsc {

LONG establishContext(SCARDCONTEXT *context) {
    return SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, context);
}

LONG releaseContext(SCARDCONTEXT context) {
    return SCardReleaseContext(context);
}

LONG listReaders(SCARDCONTEXT context, QStringList *readers) {
    readers->clear();
    LPSTR names = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    const LONG result =
        SCardListReaders(context, nullptr, reinterpret_cast<LPSTR>(&names), &length);
    if (result == SCARD_S_SUCCESS && names) {
        for (const char *name = names; *name; name += qstrlen(name) + 1)
            readers->append(readerNameFromBytes(QByteArray(name)));
    }
    if (names)
        SCardFreeMemory(context, names);
    return result;
}

LONG getStatusChange(SCARDCONTEXT context, DWORD timeoutMs, SCARD_READERSTATE *state) {
    return SCardGetStatusChange(context, timeoutMs, state, 1);
}

LONG cancel(SCARDCONTEXT context) {
    return SCardCancel(context);
}

LONG connect(SCARDCONTEXT context, const QByteArray &reader, DWORD preferredProtocols,
             SCARDHANDLE *card, DWORD *activeProtocol) {
    return SCardConnect(context, reader.constData(), SCARD_SHARE_SHARED, preferredProtocols, card,
                        activeProtocol);
}

LONG disconnect(SCARDHANDLE card, DWORD disposition) {
    return SCardDisconnect(card, disposition);
}

LONG reconnect(SCARDHANDLE card, DWORD preferredProtocols, DWORD initialization,
               DWORD *activeProtocol) {
    return SCardReconnect(card, SCARD_SHARE_SHARED, preferredProtocols, initialization,
                          activeProtocol);
}

LONG beginTransaction(SCARDHANDLE card) {
    return SCardBeginTransaction(card);
}

LONG endTransaction(SCARDHANDLE card, DWORD disposition) {
    return SCardEndTransaction(card, disposition);
}

LONG status(SCARDHANDLE card, DWORD atrCapacity, DWORD *state, QByteArray *atr) {
    char readerName[200];
    DWORD readerLength = sizeof readerName;
    DWORD protocol = 0;
    std::vector<BYTE> buffer(atrCapacity);
    DWORD atrLength = atrCapacity;
    const LONG result =
        SCardStatus(card, readerName, &readerLength, state, &protocol, buffer.data(), &atrLength);
    *atr = result == SCARD_S_SUCCESS
               ? QByteArray(reinterpret_cast<const char *>(buffer.data()), int(atrLength))
               : QByteArray();
    return result;
}

LONG transmit(SCARDHANDLE card, const SCARD_IO_REQUEST *sendPci, const QByteArray &command,
              DWORD receiveLength, QByteArray *response) {
    std::vector<BYTE> buffer(receiveLength);
    DWORD length = receiveLength;
    const LONG result =
        SCardTransmit(card, sendPci, reinterpret_cast<const BYTE *>(command.constData()),
                      DWORD(command.size()), nullptr, buffer.data(), &length);
    *response = result == SCARD_S_SUCCESS
                    ? QByteArray(reinterpret_cast<const char *>(buffer.data()), int(length))
                    : QByteArray();
    return result;
}

const SCARD_IO_REQUEST *t0Pci() {
    return SCARD_PCI_T0;
}
const SCARD_IO_REQUEST *t1Pci() {
    return SCARD_PCI_T1;
}

} // namespace pcsc

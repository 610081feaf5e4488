#include "desfire_command.h"

#include "pcsc/pcsc.h"

namespace desfire {

namespace {
constexpr char isoClass = char(0x90);
}

QByteArray wrapNative(quint8 command, const QByteArray &data) {
    Q_ASSERT(data.size() <= 0xFF);
    QByteArray apdu;
    apdu.append(isoClass).append(char(command)).append(2, '\0');
    if (!data.isEmpty())
        apdu.append(char(data.size())).append(data);
    apdu.append('\0'); // Le
    return apdu;
}

LONG transmitNative(SCARDHANDLE card, const QByteArray &command, DWORD receiveLength,
                    QByteArray *answer) {
    return pcsc::transmit(card, pcsc::t1Pci(), command, receiveLength, answer);
}

} // namespace desfire

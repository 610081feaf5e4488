#pragma once

#include <QByteArray>

#include <PCSC/winscard.h>

namespace desfire {

constexpr quint8 additionalFrame = 0xAF;

// A native command wrapped for ISO 7816-4: 90 INS 00 00 [Lc data] 00.
QByteArray wrapNative(quint8 command, const QByteArray &data = {});

// Sends a wrapped command with the T=1 protocol control, whatever was negotiated, as
// every DESFire command here is. On failure the answer is empty.
LONG transmitNative(SCARDHANDLE card, const QByteArray &command, DWORD receiveLength,
                    QByteArray *answer);

} // namespace desfire

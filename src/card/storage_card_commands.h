#pragma once

#include <QByteArray>

#include <PCSC/winscard.h>

// The PC/SC pseudo-APDUs (class FF) with which a contactless reader's firmware offers
// a storage card's memory to the host.
namespace storagecard {

constexpr int blockSize = 16;
constexpr int keySize = 6;

enum class KeyType : quint8 { A = 0x60, B = 0x61 };

// FF CA 00 00 00: the card's UID, whatever its length.
QByteArray getUid();
// FF 82 00 SLOT 06 key: the key into the reader's volatile memory.
QByteArray loadKey(quint8 slot, const QByteArray &key);
// FF 86 00 00 05 01 00 BLOCK KT SLOT: authenticates the block's sector with the key
// in the slot.
QByteArray authenticate(int block, KeyType keyType, quint8 slot);
// FF B0 00 BLOCK 10
QByteArray readBinary(int block);
// FF D6 00 BLOCK 10 data
QByteArray updateBinary(int block, const QByteArray &data);

// Sends a command with the T=1 protocol control, whatever was negotiated: the reader
// speaks to a contactless card over T=1 alone. On failure the answer is empty.
LONG transmit(SCARDHANDLE card, const QByteArray &command, QByteArray *answer);

} // namespace storagecard

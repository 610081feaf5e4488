#include "storage_card_commands.h"

#include "pcsc/pcsc.h"

namespace storagecard {

namespace {

constexpr char pseudoClass = char(0xFF);

namespace instruction {
constexpr char getData = char(0xCA);
constexpr char loadKeys = char(0x82);
constexpr char generalAuthenticate = char(0x86);
constexpr char readBinary = char(0xB0);
constexpr char updateBinary = char(0xD6);
} // namespace instruction

constexpr char uidData = 0x00;
constexpr char volatileMemory = 0x00;
constexpr char authenticateVersion = 0x01;
constexpr DWORD receiveCapacity = 258; // 256 data bytes and SW1 SW2

// Blocks are addressed by one byte: P1, or the address's first byte, stays 00.
QByteArray header(char instruction, char p1, char p2) {
    return QByteArray().append(pseudoClass).append(instruction).append(p1).append(p2);
}

} // namespace

QByteArray getUid() {
    return header(instruction::getData, uidData, 0x00).append('\0');
}

QByteArray loadKey(quint8 slot, const QByteArray &key) {
    Q_ASSERT(key.size() <= 0xFF);
    return header(instruction::loadKeys, volatileMemory, char(slot))
        .append(char(key.size()))
        .append(key);
}

QByteArray authenticate(int block, KeyType keyType, quint8 slot) {
    QByteArray data;
    data.append(authenticateVersion).append('\0').append(char(block));
    data.append(char(keyType)).append(char(slot));
    return header(instruction::generalAuthenticate, 0x00, 0x00)
        .append(char(data.size()))
        .append(data);
}

QByteArray readBinary(int block) {
    return header(instruction::readBinary, 0x00, char(block)).append(char(blockSize));
}

QByteArray updateBinary(int block, const QByteArray &data) {
    Q_ASSERT(data.size() == blockSize);
    return header(instruction::updateBinary, 0x00, char(block))
        .append(char(data.size()))
        .append(data);
}

LONG transmit(SCARDHANDLE card, const QByteArray &command, QByteArray *answer) {
    return pcsc::transmit(card, pcsc::t1Pci(), command, receiveCapacity, answer);
}

} // namespace storagecard

#pragma once

#include "mifare_classic_card.h"

#include <QString>
#include <QStringList>

// The host's side of a conversation with the virtual MIFARE Classic card, as hex text,
// written from the storage-card commands rather than from the card.
namespace mifarereader {

inline const QString transportKey = QStringLiteral("FFFFFFFFFFFF");

QString loadKey(const QString &keyHex = transportKey, int slot = 0);
// keyType 'A' or 'B'.
QString authenticate(int block, char keyType = 'A', int slot = 0);
QString read(int block);
QString write(int block, const QString &dataHex);

// Sends each APDU and gives each answer, upper-case hex without spaces.
QStringList converse(vcard::MifareClassicCard &card, const QStringList &apdus);
// The same hex without spaces, upper case.
QString normalized(const QString &hex);
QStringList normalized(const QStringList &hex);

QString hexOf(const vcard::mifare::Block &block);
vcard::mifare::Block blockOf(const QString &hex);

} // namespace mifarereader

#pragma once

#include "card/mifare_classic_layout.h"

#include <QByteArray>

#include <optional>

// The ATRs that a PC/SC contactless reader builds for the card in its field.
namespace storagecard {

// 3B 8n 80 01, n historical bytes and their check byte: the ATR of any contactless
// card, storage card or ISO 14443-4, as a PC/SC reader gives it. Such a card's reader
// answers Get Data with its UID; a contact card does not.
bool isContactlessAtr(const QByteArray &atr);

// The card a storage-card ATR names (category 80, application identifier 4F with the
// PC/SC workgroup's RID A0 00 00 03 06, standard 03 for ISO/IEC 14443-3, type A, card
// name 00 01, 00 02 or 00 26), with a right check byte; otherwise nothing.
std::optional<mifare::ClassicType> classicTypeOfAtr(const QByteArray &atr);

} // namespace storagecard

#pragma once

#include "card/card_answer.h"
#include "card/desfire_crypto.h"

#include <QByteArray>

#include <optional>

namespace desfire {

// The cryptogram of an answer: its first 8 bytes, zero where a short answer has none.
DesBlock cryptogramOf(const QByteArray &answer);

// What is wrong with the card's answer to Authenticate, which must be 8 bytes and 91 AF;
// nothing when it is right.
std::optional<AnswerFault> challengeFault(const QByteArray &challenge);

// Whether the card's two answers to a legacy DES authentication with key and rndA show
// that it took part and holds the key: the first 8 bytes and 91 AF, the second 8 bytes
// and 91 00 whose cryptogram proves the key. Gives the first answer at fault and what
// was wrong with it; nothing when the card proved the key.
std::optional<AnswerFault> reviewAuthentication(const DesBlock &key, const DesBlock &rndA,
                                                const QByteArray &challenge,
                                                const QByteArray &confirmation);

} // namespace desfire

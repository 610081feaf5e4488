#pragma once

#include "fuzz_input.h"

#include <QByteArray>
#include <QList>

#include <PCSC/winscard.h>

// PC/SC as a fuzz reader answers it: the program's PC/SC seam is replaced by this
// double (scripted_pcsc.cpp). Each status query and each transmission takes the next
// chunk of the input: a failure chunk is the call's result code; otherwise the chunk is
// the card's answer (for a status query: a byte of state flags, then the ATR), refused
// with SCARD_E_INSUFFICIENT_BUFFER when it does not fit, as pcsc-lite refuses it. Once
// the input has run out the card has left (SCARD_W_REMOVED_CARD). Every other call
// succeeds.
namespace scriptedpcsc {

struct Exchange {
    QByteArray command;
    LONG result;
    QByteArray answer; // empty unless the call succeeded
};

void start(FuzzInput *input);

// Every transmission so far, in order.
const QList<Exchange> &exchanges();

} // namespace scriptedpcsc

#pragma once

#include "card/card_answer.h"

#include <PCSC/winscard.h>

#include <optional>

class CardReports;

// How one authentication went.
struct DesfireAuthentication {
    CardAnswer challenge; // the answer to Authenticate, or its failed transmission
    std::optional<CardAnswer> confirmation; // to the additional frame, when it was sent
    // The first answer that was not what a card holding the key gives, and what was
    // wrong with it; none when the card proved the key.
    std::optional<AnswerFault> fault;

    bool keyProved() const { return !fault; }
};

// Legacy DES authentication with key number 0 of whatever is selected on the card
// (application or card level), using the key the cards under test hold. The second
// frame is sent whatever the card answered the first.
DesfireAuthentication desfireAuthenticate(SCARDHANDLE card, CardReports &reports);

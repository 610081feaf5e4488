#pragma once

#include <PCSC/winscard.h>

#include <cstdint>
#include <random>
#include <vector>

namespace prober {

using Bytes = std::vector<std::uint8_t>;

// What the prober did, for the report at its end.
struct Counts {
    long connections = 0;
    long exclusive = 0;
    long refused = 0; // connections the reader or another program refused
    long commands = 0;
    long answered = 0;
    long resets = 0;     // disconnects with a reset
    long unfinished = 0; // GetVersion chains left unfinished on the card
};

// The commands other programs send to a card that arrives: a token module's SELECT of
// its application, a SELECT of the master file, and DESFire GetVersion (at times only
// its first frame, as a program that wants the hardware version alone leaves it) and
// GetApplicationIDs. Sends one to three of them, at random.
void sendProbes(SCARDHANDLE card, DWORD protocol, std::mt19937 &random, Counts &counts);

} // namespace prober

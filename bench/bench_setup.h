#pragma once

#include <QString>

class EventLog;

// What every card row shares: the reader in vpcd slot 0 and the worker's texts it
// waits for.
namespace bench {

constexpr int slot = 0;
QString reader();

// The worker sends this just before it starts waiting for a card.
QString watchingText();

constexpr int reportLimitMs = 5000;

// A pause of 200 to 400 ms, so that a request falls anywhere within the worker's
// status-change turn rather than always at the same point of it.
void pauseWithinTurn();

} // namespace bench

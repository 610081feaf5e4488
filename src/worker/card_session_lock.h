#pragma once

#include <mutex>

// Held by a worker from connecting to a card until it has disconnected from it, by one
// worker of the process at a time. A retired worker may still be finishing with a card
// while its successor starts on the same card, and every disconnect resets the card:
// without this the retired worker's reset would land in the middle of the new worker's
// commands.
std::mutex &cardSessionLock();

#pragma once

#include <QByteArray>

#include <chrono>

enum class CardEvent { Arrival, Removal };
enum class WaitEnd { Reached, TimedOut, Interrupted };

// Waits until a card is in the reader (Arrival) or has left it (Removal), for at most
// timeout and only while the calling thread is not asked to stop (Interrupted). A card
// already there, or a reader already empty, ends the wait at once. The card watch runs
// on a thread of its own, so that the deadline and the caller's stop request both
// reach it as the interruption request it honours.
WaitEnd waitForCardEvent(const QByteArray &reader, CardEvent event,
                         std::chrono::milliseconds timeout);

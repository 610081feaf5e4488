#pragma once

#include "card/mifare_classic_layout.h"
#include "card/storage_card_commands.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <PCSC/winscard.h>

#include <functional>
#include <optional>

namespace mifare {

struct TestSettings {
    QByteArray key = QByteArray(storagecard::keySize, char(0xFF)); // the transport key
    storagecard::KeyType keyType = storagecard::KeyType::A;
    QList<int> sectors; // empty: every sector of the card
};

// A block that the test wrote and could not prove restored: what it held before.
struct UnrestoredBlock {
    int block = 0;
    QByteArray original;
};

// How far the test got, step by step; each counts what went as needed.
struct StepCounts {
    int commands = 0; // every command transmitted, whatever it got
    int sectorsAuthenticated = 0;
    int blocksRead = 0;
    int blocksWritten = 0;  // with the test pattern
    int blocksVerified = 0; // read back as the pattern
    int blocksRestored = 0; // shown to hold their original content again
    int failedSteps = 0;
};

struct TestOutcome {
    // Stopped: a stop request ended the test before every block was tested, with
    // nothing failed so far.
    enum class Verdict { Passed, Failed, Stopped };
    Verdict verdict = Verdict::Failed;
    std::optional<ClassicType> type; // nothing when the card is no MIFARE Classic
    QByteArray uid;                  // 4, 7 or 10 bytes; empty when the reader gave none
    // The first step that did not go as needed and what it got, for instance
    // "authenticate sector 5: 63 00", "write block 22: 69 82" or "read back block 22:
    // differs in 16 bytes"; empty when the test passed or was stopped.
    QString failedStep;
    QList<int> sectorsOutsideCard; // chosen sectors the card does not have: nothing sent
    // Blocks that may not hold their original content any more (a card pulled, a write
    // back refused): the caller must say so loudly and stop.
    QList<UnrestoredBlock> unrestored;
    StepCounts counts;
};

// The memory test of a MIFARE Classic card through a PC/SC contactless reader, on a
// connected card (with T=1): identifies the card from its ATR, reads its UID, loads the
// key into the reader's volatile slot 0, then, for every chosen sector, authenticates
// and, for every data block, reads it, writes a pattern that differs from it in every
// byte, reads it back, writes the original back and reads it back. Nothing but data
// blocks is written. A failed authentication or first read skips that sector or block;
// a failed transmission, an answer without a status word or a block not restored ends
// the test. stopRequested, when
// given, is asked before each sector and block: the block under way is always finished
// and restored. Passed only when every command answered 90 00 and every read back
// matched. The card stays connected.
TestOutcome runClassicTest(SCARDHANDLE card, const TestSettings &settings,
                           const std::function<bool()> &stopRequested = {});

} // namespace mifare

#pragma once

#include "card/card_answer.h"

#include <QString>

#include <PCSC/winscard.h>

class CardReports;

// How the stress test ended, for callers that count cycles.
struct DesfireOutcome {
    enum class Verdict { Passed, Failed, None };
    Verdict verdict = Verdict::None;
    // The first step that did not answer as the full write cycle needs, such as
    // "create file", and what it got; empty when every step did.
    QString failedStep;
    AnswerFault failure;
};

// The DESFire stress test: creates a test application with a 7500-byte file, writes
// the file, authenticates, deletes the application and formats the card; the card stays
// connected for its session to close. "DESFire Test Passed" only when every step answered as
// expected and both authentications proved the key; no verdict when the delete or the
// format cannot be transmitted.
DesfireOutcome runDesfireExercise(SCARDHANDLE card, CardReports &reports);

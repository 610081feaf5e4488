// Every answer of the card (and every result code of PC/SC) from the input, through the
// program's PC/SC seam, into the card session, the card identification, the DESFire stress test
// with both authentications, and a typed-APDU run. The stress test may say "Passed" only when every
// answer was the one the full write cycle needs, both authentications proving the key.

#include "fuzz_input.h"
#include "quiet_process.h"
#include "scripted_pcsc.h"

#include "card/apdu_exchange.h"
#include "card/desfire_exercise.h"
#include "cli/kept_reports.h"
#include "pcsc/card_session.h"
#include "pcsc/pcsc.h"
#include "worker/card_identification.h"

#include <cstdlib>

// Enciphering is never done by the program (its side of the authentication only
// deciphers), so the card's side of it here is an independent reading of the protocol.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/des.h>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

QByteArray bytes(const char *hex) {
    return QByteArray::fromHex(hex);
}

// What a card holding the factory key answers to the reader's proof: RndA rotated left
// by one byte, enciphered with the key.
QByteArray provingConfirmation() {
    DES_cblock key{};
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    DES_cblock rotatedRndA{0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA1};
    DES_cblock enciphered;
    DES_ecb_encrypt(&rotatedRndA, &enciphered, &schedule, DES_ENCRYPT);
    return QByteArray(reinterpret_cast<const char *>(enciphered), 8) + bytes("9100");
}

struct Step {
    quint8 instruction;
    enum Answer { Complete, MoreFrames, Challenge, Proof } answer;
};

// The write cycle as a working card takes it, command by command.
QList<Step> fullCycle() {
    QList<Step> steps{{0xCA, Step::Complete},
                      {0x5A, Step::Complete},
                      {0xCD, Step::Complete},
                      {0x5A, Step::Complete},
                      {0x3D, Step::MoreFrames}};
    for (int i = 0; i < 140; ++i)
        steps.append({0xAF, Step::MoreFrames});
    steps.append({0xAF, Step::Complete});
    const QList<Step> authentication{{0x0A, Step::Challenge}, {0xAF, Step::Proof}};
    steps += authentication;
    steps.append({0xDA, Step::Complete});
    steps += authentication;
    steps.append({0xFC, Step::Complete});
    return steps;
}

bool answeredAsNeeded(const scriptedpcsc::Exchange &exchange, const Step &step) {
    if (exchange.result != SCARD_S_SUCCESS || exchange.command.size() < 2 ||
        quint8(exchange.command[1]) != step.instruction)
        return false;
    switch (step.answer) {
    case Step::Complete:
        return exchange.answer == bytes("9100");
    case Step::MoreFrames:
        return exchange.answer == bytes("91AF");
    case Step::Challenge:
        return exchange.answer.size() == 10 && exchange.answer.endsWith(bytes("91AF"));
    case Step::Proof:
        return exchange.answer == provingConfirmation();
    }
    return false;
}

bool wholeCycleAnswered(const QList<scriptedpcsc::Exchange> &exchanges) {
    const QList<Step> steps = fullCycle();
    if (exchanges.size() != steps.size())
        return false;
    for (int i = 0; i < steps.size(); ++i)
        if (!answeredAsNeeded(exchanges[i], steps[i]))
            return false;
    return true;
}

void stressTest(SCARDHANDLE card) {
    KeptReports reports;
    const DesfireOutcome outcome = runDesfireExercise(card, reports);
    const bool passed = outcome.verdict == DesfireOutcome::Verdict::Passed;
    check(passed == wholeCycleAnswered(scriptedpcsc::exchanges()));
    check(passed == reports.uiMessages.contains(QStringLiteral("DESFire Test Passed")));
    check(passed || !outcome.failedStep.isEmpty());
}

void typedRun(SCARDHANDLE card) {
    const QString text = QStringLiteral("00A4040007A0000003085155\n80100004\n\n9060000000");
    KeptReports reports;
    const QList<ApduLineAnswer> answers = exchangeApdus(card, pcsc::t1Pci(), text, reports);
    check(answers.size() == 4);
    const QList<scriptedpcsc::Exchange> &sent = scriptedpcsc::exchanges();
    check(sent.size() == 3); // the empty line is not sent
    for (int line = 0, i = 0; line < answers.size(); ++line) {
        if (line == 2) {
            check(answers[line].result == SCARD_E_INVALID_PARAMETER);
            continue;
        }
        check(answers[line].result == sent[i].result && answers[line].response == sent[i].answer);
        ++i;
    }
    check(reports.popups.size() == 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    quietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const bool typed = input.nextByte() & 1;
    scriptedpcsc::start(&input);
    SCARDCONTEXT context = 0;
    pcsc::establishContext(&context);
    // As the worker takes a card: a session of its own (whose first status query may
    // meet another program's reset), the identification, then the command.
    const pcsc::CardSession session(context, "Fuzz Reader 00 00",
                                    typed ? SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1
                                          : SCARD_PROTOCOL_T1,
                                    pcsc::CardSession::Start::Reset);
    check(session.isOpen());
    KeptReports identification;
    if (!identifyCard(session.handle(), identification))
        return 0;
    check(identification.uiMessages.first().startsWith(QStringLiteral("ATR: ")));
    if (typed)
        typedRun(session.handle());
    else
        stressTest(session.handle());
    return 0;
}

#pragma GCC diagnostic pop

#include "desfire_authentication.h"

#include "card/card_reports.h"
#include "card/desfire_authentication_review.h"
#include "card/desfire_command.h"
#include "card/desfire_crypto.h"
#include "card/status_word.h"
#include "card/transmit_failure.h"

namespace {

constexpr quint8 authenticate = 0x0A;
constexpr quint8 keyNumber = 0x00;
constexpr DWORD answerCapacity = 10; // 8 cryptogram bytes, SW1 SW2
constexpr desfire::DesBlock rndA{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8};

void printStatus(const QByteArray &answer, CardReports &reports) {
    const StatusWord word = statusWordOf(answer);
    reports.reportConsoleLine(QString::asprintf("AUTH, %02X:%02X", word.sw1, word.sw2));
}

QByteArray bytesOf(const desfire::DesBlock &block) {
    return QByteArray(reinterpret_cast<const char *>(block.data()), int(block.size()));
}

} // namespace

DesfireAuthentication desfireAuthenticate(SCARDHANDLE card, CardReports &reports) {
    // Factory DES key, value 0 and version 0, as the cards under test hold it.
    desfire::DesBlock key;
    key.fill(0x00);

    QByteArray challenge;
    const LONG asked =
        desfire::transmitNative(card, desfire::wrapNative(authenticate, QByteArray(1, keyNumber)),
                                answerCapacity, &challenge);
    DesfireAuthentication outcome;
    if (asked != SCARD_S_SUCCESS) {
        outcome.challenge = CardAnswer::failed(asked);
        outcome.fault = AnswerFault{outcome.challenge, {}};
        return outcome;
    }
    outcome.challenge = CardAnswer::of(challenge);
    printStatus(challenge, reports);

    const desfire::AuthenticationCryptograms cryptograms =
        desfire::authenticationCryptograms(key, rndA, desfire::cryptogramOf(challenge));
    QByteArray confirmation;
    const LONG result = desfire::transmitNative(
        card,
        desfire::wrapNative(desfire::additionalFrame,
                            bytesOf(cryptograms.d1) + bytesOf(cryptograms.d2)),
        answerCapacity, &confirmation);
    if (result != SCARD_S_SUCCESS) {
        reportTransmitFailureName(result, reports);
        outcome.confirmation = CardAnswer::failed(result);
        outcome.fault = desfire::challengeFault(challenge);
        if (!outcome.fault)
            outcome.fault = AnswerFault{*outcome.confirmation, {}};
        return outcome;
    }
    printStatus(confirmation, reports);
    outcome.confirmation = CardAnswer::of(confirmation);
    outcome.fault = desfire::reviewAuthentication(key, rndA, challenge, confirmation);
    return outcome;
}

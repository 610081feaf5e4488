#pragma once

#include "card/status_word.h"

#include <QString>

#include <PCSC/pcsclite.h>

// What one command got back: the card's status word, or the PC/SC code of a
// transmission that failed.
struct CardAnswer {
    LONG result = SCARD_S_SUCCESS;
    StatusWord status;          // 00 00 when the answer held none
    bool withoutStatus = false; // the card answered fewer than two bytes

    static CardAnswer of(const QByteArray &answer) {
        return {SCARD_S_SUCCESS, statusWordOf(answer), answer.size() < 2};
    }
    static CardAnswer failed(LONG result) { return {result, {}, false}; }

    bool transmitted() const { return result == SCARD_S_SUCCESS; }
    // The card answered with this status, given as statusWordText gives it ("91:00").
    bool answered(const QString &expected) const {
        return transmitted() && statusWordText(status) == expected;
    }
    // "91 0E", the failed transmission's code name, or a word that the answer held no
    // status.
    QString text() const;
};

// An answer that did not go as its step needs, and what was wrong with it where its
// status word alone does not say.
struct AnswerFault {
    CardAnswer answer;
    QString problem; // empty when the status word (or the failed transmission) says it

    QString text() const { return problem.isEmpty() ? answer.text() : problem; }
    // The card's status word was the wrong one.
    bool statusAtFault() const {
        return answer.transmitted() && !answer.withoutStatus && problem.isEmpty();
    }
};

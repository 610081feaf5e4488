#include "desfire_authentication_review.h"

#include <algorithm>

namespace desfire {

namespace {

constexpr int cryptogramSize = 8;
constexpr int answerSize = cryptogramSize + 2;
constexpr StatusWord moreFrames{0x91, 0xAF};
constexpr StatusWord complete{0x91, 0x00};

bool operator!=(StatusWord a, StatusWord b) {
    return a.sw1 != b.sw1 || a.sw2 != b.sw2;
}

// An answer with fewer than two bytes has no status word, and one of 2 or 10 bytes
// ends in one; other lengths leave it unclear which bytes are the status, so their
// length is the fault.
std::optional<AnswerFault> shapeFault(const QByteArray &answer, StatusWord expected) {
    const CardAnswer got = CardAnswer::of(answer);
    if (got.withoutStatus)
        return AnswerFault{got, {}};
    const bool statusWhereDue = answer.size() == 2 || answer.size() == answerSize;
    if (statusWhereDue && got.status != expected)
        return AnswerFault{got, {}};
    if (answer.size() != answerSize)
        return AnswerFault{got, QStringLiteral("an answer of %1 bytes where 8 and a status word "
                                               "were due")
                                    .arg(answer.size())};
    return std::nullopt;
}

} // namespace

DesBlock cryptogramOf(const QByteArray &answer) {
    DesBlock block{};
    std::copy_n(answer.constData(), std::min(answer.size(), cryptogramSize), block.begin());
    return block;
}

std::optional<AnswerFault> challengeFault(const QByteArray &challenge) {
    return shapeFault(challenge, moreFrames);
}

std::optional<AnswerFault> reviewAuthentication(const DesBlock &key, const DesBlock &rndA,
                                                const QByteArray &challenge,
                                                const QByteArray &confirmation) {
    if (const auto fault = challengeFault(challenge))
        return fault;
    if (const auto fault = shapeFault(confirmation, complete))
        return fault;
    if (!provesKey(key, rndA, cryptogramOf(confirmation)))
        return AnswerFault{CardAnswer::of(confirmation),
                           QStringLiteral("the card's answer does not prove the key")};
    return std::nullopt;
}

} // namespace desfire

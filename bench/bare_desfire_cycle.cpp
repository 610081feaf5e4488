#include "bare_desfire_cycle.h"

#include "bare_card.h"
#include "card/desfire_command.h"
#include "card/desfire_crypto.h"
#include "card/desfire_exercise_commands.h"

#include <algorithm>

namespace {
constexpr quint8 complete = 0x00;
}

bool endsWith(const QByteArray &answer, quint8 sw1, quint8 sw2) {
    return answer.size() >= 2 && quint8(answer[answer.size() - 2]) == sw1 &&
           quint8(answer[answer.size() - 1]) == sw2;
}

bool BareDesfireCycle::run() {
    const desfire::exercise::Commands &commands = desfire::exercise::commands();
    expect(commands.createApplication, complete);
    expect(commands.selectApplication, complete);
    expect(commands.createFile, complete);
    expect(commands.selectApplication, complete);
    expect(commands.writeFirstFrame, desfire::additionalFrame);
    for (int frame = 0; frame < desfire::exercise::middleFrameCount; ++frame)
        expect(commands.writeMiddleFrame, desfire::additionalFrame);
    expect(commands.writeLastFrame, complete);
    authenticate();
    expect(commands.deleteApplication, complete);
    authenticate();
    expect(commands.formatCard, complete);
    return allAsExpected_;
}

QByteArray BareDesfireCycle::expect(const QByteArray &command, quint8 status) {
    const QByteArray answer = card_.transmit(command);
    allAsExpected_ = allAsExpected_ && endsWith(answer, 0x91, status);
    return answer;
}

void BareDesfireCycle::authenticate() {
    const QByteArray challenge =
        expect(desfire::wrapNative(0x0A, QByteArray(1, '\0')), desfire::additionalFrame);
    desfire::DesBlock encipheredRndB{};
    std::copy_n(challenge.constData(), std::min<int>(challenge.size(), 8), encipheredRndB.begin());
    const desfire::DesBlock factoryKey{};
    const desfire::DesBlock rndA{1, 2, 3, 4, 5, 6, 7, 8};
    const desfire::AuthenticationCryptograms cryptograms =
        desfire::authenticationCryptograms(factoryKey, rndA, encipheredRndB);
    QByteArray data(reinterpret_cast<const char *>(cryptograms.d1.data()), 8);
    data.append(reinterpret_cast<const char *>(cryptograms.d2.data()), 8);
    expect(desfire::wrapNative(desfire::additionalFrame, data), complete);
}

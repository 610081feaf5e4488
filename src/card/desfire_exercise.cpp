#include "desfire_exercise.h"

#include "card/card_reports.h"
#include "card/desfire_authentication.h"
#include "card/desfire_command.h"
#include "card/desfire_exercise_commands.h"
#include "card/status_word.h"
#include "card/transmit_failure.h"
#include "pcsc/pcsc.h"

#include <QDebug>

#include <cstdio>

namespace {

using desfire::exercise::commands;

const QString complete = QStringLiteral("91:00");
const QString moreFrames = QStringLiteral("91:af");

// One command of the exercise. Every answer must be the status word alone.
struct Exchange {
    bool sent = false;
    StatusWord status;
    bool answered(const QString &expected) const {
        return sent && statusWordText(status) == expected;
    }
};

class Exercise {
public:
    Exercise(SCARDHANDLE card, CardReports &reports) : card(card), reports(reports) {}

    void run() {
        createAndSelectTestApplication();
        createTestFile();
        writeTestFile();
        deleteTestApplicationAndFormat();
    }

private:
    Exchange send(const QByteArray &command) {
        QByteArray answer;
        const LONG result = desfire::transmitNative(card, command, 2, &answer);
        if (result != SCARD_S_SUCCESS) {
            reportTransmitFailure(result, reports);
            return {};
        }
        return {true, statusWordOf(answer)};
    }

    // Records whether the step went as the full write cycle needs.
    bool expect(bool asExpected) {
        allAsExpected = allAsExpected && asExpected;
        return asExpected;
    }

    void printStatus(const char *what, const Exchange &exchange) {
        std::printf("%s, %02X:%02X\n", what, exchange.status.sw1, exchange.status.sw2);
        std::fflush(stdout);
    }

    void createAndSelectTestApplication() {
        if (!expect(send(commands().createApplication).answered(complete)))
            return;
        const Exchange selected = send(commands().selectApplication);
        expect(selected.answered(complete));
        if (selected.sent)
            printStatus("Select App", selected);
    }

    void createTestFile() {
        const Exchange created = send(commands().createFile);
        expect(created.answered(complete));
        if (created.sent)
            printStatus("CREATE FILE", created);
    }

    void writeTestFile() {
        if (!expect(send(commands().selectApplication).answered(complete)))
            return;
        const Exchange first = send(commands().writeFirstFrame);
        expect(first.answered(moreFrames));
        if (!first.sent)
            return;
        for (int i = 0; i < desfire::exercise::middleFrameCount; ++i)
            expect(send(commands().writeMiddleFrame).answered(moreFrames));
        expect(send(commands().writeLastFrame).answered(complete));
    }

    void deleteTestApplicationAndFormat() {
        expect(desfireAuthenticate(card, reports));
        const Exchange deleted = send(commands().deleteApplication);
        if (!deleted.sent)
            return;
        expect(deleted.answered(complete));
        expect(desfireAuthenticate(card, reports));
        const Exchange formatted = send(commands().formatCard);
        if (!formatted.sent)
            return;
        expect(formatted.answered(complete));
        reports.reportUiMessage(allAsExpected ? QStringLiteral("DESFire Test Passed")
                                              : QStringLiteral("DESFire Test Failed"));
    }

    SCARDHANDLE card;
    CardReports &reports;
    bool allAsExpected = true;
};

} // namespace

void runDesfireExercise(SCARDHANDLE card, CardReports &reports) {
    qDebug() << "I've been asked to run through DESFire";
    Exercise(card, reports).run();
    pcsc::disconnect(card, SCARD_RESET_CARD);
}

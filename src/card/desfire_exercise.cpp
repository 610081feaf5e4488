#include "desfire_exercise.h"

#include "card/card_reports.h"
#include "card/desfire_authentication.h"
#include "card/desfire_command.h"
#include "card/desfire_exercise_commands.h"
#include "card/transmit_failure.h"

#include <QDebug>

namespace {

using desfire::exercise::commands;

const QString complete = QStringLiteral("91:00");
const QString moreFrames = QStringLiteral("91:af");

class Exercise {
public:
    Exercise(SCARDHANDLE card, CardReports &reports) : card(card), reports(reports) {}

    DesfireOutcome run() {
        createAndSelectTestApplication();
        createTestFile();
        writeTestFile();
        deleteTestApplicationAndFormat();
        return outcome;
    }

private:
    // Every answer must be the status word alone.
    CardAnswer send(const QByteArray &command) {
        QByteArray answer;
        const LONG result = desfire::transmitNative(card, command, 2, &answer);
        if (result != SCARD_S_SUCCESS) {
            reportTransmitFailure(result, reports);
            return CardAnswer::failed(result);
        }
        return CardAnswer::of(answer);
    }

    // Records whether the step went as the full write cycle needs; the first that did
    // not is the one the outcome names.
    bool expect(const char *step, const CardAnswer &answer, const QString &expected) {
        const bool asExpected = answer.answered(expected);
        if (!asExpected)
            recordFailure(step, AnswerFault{answer, {}});
        return asExpected;
    }

    // Counts only when the card proved that it holds the key.
    void expectProved(const char *step, const DesfireAuthentication &authentication) {
        if (authentication.fault)
            recordFailure(step, *authentication.fault);
    }

    void recordFailure(const char *step, const AnswerFault &fault) {
        if (!outcome.failedStep.isEmpty())
            return;
        outcome.failedStep = QLatin1String(step);
        outcome.failure = fault;
    }

    void printStatus(const char *what, const CardAnswer &answer) {
        reports.reportConsoleLine(
            QString::asprintf("%s, %02X:%02X", what, answer.status.sw1, answer.status.sw2));
    }

    void createAndSelectTestApplication() {
        if (!expect("create application", send(commands().createApplication), complete))
            return;
        const CardAnswer selected = send(commands().selectApplication);
        expect("select application", selected, complete);
        if (selected.transmitted())
            printStatus("Select App", selected);
    }

    void createTestFile() {
        const CardAnswer created = send(commands().createFile);
        expect("create file", created, complete);
        if (created.transmitted())
            printStatus("CREATE FILE", created);
    }

    void writeTestFile() {
        if (!expect("select application", send(commands().selectApplication), complete))
            return;
        const CardAnswer first = send(commands().writeFirstFrame);
        expect("write file", first, moreFrames);
        if (!first.transmitted())
            return;
        for (int i = 0; i < desfire::exercise::middleFrameCount; ++i)
            expect("write file", send(commands().writeMiddleFrame), moreFrames);
        expect("write file", send(commands().writeLastFrame), complete);
    }

    void deleteTestApplicationAndFormat() {
        expectProved("authenticate to the application", desfireAuthenticate(card, reports));
        const CardAnswer deleted = send(commands().deleteApplication);
        expect("delete application", deleted, complete);
        if (!deleted.transmitted())
            return;
        expectProved("authenticate to the card", desfireAuthenticate(card, reports));
        const CardAnswer formatted = send(commands().formatCard);
        expect("format card", formatted, complete);
        if (!formatted.transmitted())
            return;
        const bool passed = outcome.failedStep.isEmpty();
        outcome.verdict =
            passed ? DesfireOutcome::Verdict::Passed : DesfireOutcome::Verdict::Failed;
        reports.reportUiMessage(passed ? QStringLiteral("DESFire Test Passed")
                                       : QStringLiteral("DESFire Test Failed"));
    }

    SCARDHANDLE card;
    CardReports &reports;
    DesfireOutcome outcome;
};

} // namespace

DesfireOutcome runDesfireExercise(SCARDHANDLE card, CardReports &reports) {
    qDebug() << "I've been asked to run through DESFire";
    return Exercise(card, reports).run();
}

// The card printer SDK's answers (result codes with any high bits, printer types,
// session handles, station values, missing exports) into the window's card positioning
// and the command-line program's printer feeding. A motion reported done must be one
// the printer really completed; one reported failed must say why.

#include "fuzz_input.h"
#include "quiet_process.h"
#include "scripted_sdk.h"

#include "cli/printer_feeder.h"
#include "printer/card_printer.h"
#include "printer/printer_state.h"
#include "printer/sdk_api.h"

#include <cstdlib>
#include <cstring>

namespace {

using scriptedsdk::Call;

void check(bool holds) {
    if (!holds)
        std::abort();
}

constexpr int mostPauses = 64;
const QString queue = QStringLiteral("Vantorel_Sim");

class ScriptedFrontEnd : public PrinterFrontEnd {
public:
    explicit ScriptedFrontEnd(FuzzInput &input) : input_(input) {}
    CardPrinter *printer = nullptr;
    bool reported = false; // a failed call, or a missing export that stops a motion
    bool gaveUp = false;

    // Without ID_PrinterType a session still opens, with the printer type unchanged.
    void exportMissing(const char *exportName, const char *) override {
        reported = reported || std::strcmp(exportName, "ID_PrinterType") != 0;
    }
    void sdkFailed(std::int32_t) override { reported = true; }
    void sessionNeeded() override {
        if (input_.nextByte() & 1)
            printer->openSession(queue);
    }
    // The operator cancels now and then; the wait never runs on without bound.
    bool pauseWhileBusy(std::chrono::milliseconds) override {
        const bool goOn = ++pauses_ < mostPauses && (input_.nextByte() & 0x0F) != 0;
        gaveUp = gaveUp || !goOn;
        return goOn;
    }
    void busyWaitEnded() override {}

private:
    FuzzInput &input_;
    int pauses_ = 0;
};

bool isMotion(scriptedsdk::Export which) {
    using namespace scriptedsdk;
    return which == SmartMode || which == FeedCard || which == MoveCard || which == EjectCard;
}

// A motion the program calls done: every motion call succeeded and the last call of
// the motion says the card is in place.
bool completedMotion(const QList<Call> &calls, int first) {
    if (first >= calls.size())
        return false;
    for (int i = first; i < calls.size(); ++i)
        if (isMotion(calls[i].which) && sdk::resultCode(calls[i].result) != sdk::Success)
            return false;
    const Call &last = calls.last();
    return (last.which == scriptedsdk::MoveCard || last.which == scriptedsdk::WaitForPrinter) &&
           sdk::resultCode(last.result) == sdk::Success;
}

// No call but the open and the type query goes out without a session.
void checkSessions(const QList<Call> &calls, int first) {
    for (int i = first; i < calls.size(); ++i)
        if (calls[i].which != scriptedsdk::OpenSession &&
            calls[i].which != scriptedsdk::PrinterType)
            check(calls[i].session != 0);
}

void windowMotions(FuzzInput &input) {
    ScriptedFrontEnd frontEnd(input);
    CardPrinter printer(frontEnd);
    frontEnd.printer = &printer;
    PrinterWaitLimits limits;
    limits.pause = std::chrono::milliseconds(0);
    limits.limit = std::chrono::hours(1); // the front end's pauses bound the wait
    printer.setWaitLimits(limits);

    for (int step = 0; step < 8 && !input.atEnd(); ++step) {
        const int first = scriptedsdk::calls().size();
        frontEnd.reported = frontEnd.gaveUp = false;
        bool moved = false;
        switch (input.nextByte() % 5) {
        case 0:
            printer.openSession(queue);
            continue;
        case 1:
            printer.closeSession();
            check(sessionHandle == 0 || frontEnd.reported);
            continue;
        case 2:
            moved = printer.cardToContact();
            break;
        case 3:
            moved = printer.cardToContactless();
            break;
        case 4:
            moved = printer.ejectCard();
            break;
        }
        checkSessions(scriptedsdk::calls(), first);
        if (moved)
            check(completedMotion(scriptedsdk::calls(), first) && !frontEnd.reported);
        else
            check(frontEnd.reported || frontEnd.gaveUp || sessionHandle == 0 ||
                  !completedMotion(scriptedsdk::calls(), first));
    }
}

void cliFeeding(FuzzInput &input) {
    scriptedsdk::setBusyAllowed(false);
    PrinterFeeder feeder(input.nextByte() & 1 ? Station::Contact : Station::Contactless,
                         std::chrono::milliseconds(1));
    if (!feeder.open(queue).isEmpty())
        return;
    for (int step = 0; step < 4 && !input.atEnd(); ++step) {
        const int first = scriptedsdk::calls().size();
        const bool moved = input.nextByte() & 1 ? feeder.feed() : feeder.eject();
        checkSessions(scriptedsdk::calls(), first);
        check(moved ? completedMotion(scriptedsdk::calls(), first) : !feeder.failure().isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    quietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t missing = input.nextByte();
    const std::uint8_t setting = input.nextByte();
    sessionHandle = 0;
    printerType = 0;
    scriptedsdk::start(&input, missing, setting & 1, setting & 2, true);
    if (setting & 4)
        cliFeeding(input);
    else
        windowMotions(input);
    return 0;
}

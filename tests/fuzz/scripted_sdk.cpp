#include "scripted_sdk.h"

#include "printer/printer_queues.h"
#include "printer/sdk_api.h"
#include "printer/sdk_library.h"

#include <QLibrary>

#include <cstdlib>
#include <cstring>

namespace scriptedsdk {
namespace {

struct Script {
    FuzzInput *input = nullptr;
    std::uint8_t missing = 0;
    bool queueExists = false;
    bool cardDriver = false;
    bool busyAllowed = false;
    QList<Call> calls;
    // The printer name each open was given, as the SDK keeps it: it may read the
    // caller's buffer for as long as the session lives.
    QList<QPair<std::uint32_t, const char *>> names;
    QList<QByteArray> nameCopies;
};

Script script;

// The SDK reads its session's printer name at every call, as a real one may.
void readSessionName(std::uint32_t session) {
    for (int i = 0; i < script.names.size(); ++i)
        if (script.names[i].first == session &&
            std::strcmp(script.names[i].second, script.nameCopies[i].constData()) != 0)
            std::abort();
}

std::int32_t answer(Export which, std::uint32_t session) {
    readSessionName(session);
    std::int32_t result = std::int32_t(script.input->nextWord());
    if (which == WaitForPrinter && !script.busyAllowed && sdk::resultCode(result) == sdk::TimedOut)
        result = 0;
    script.calls.append({which, session, result});
    return result;
}

std::int32_t openSession(const char *printer, std::uint32_t *session, std::int32_t) {
    *session = script.input->nextWord();
    const std::int32_t result = answer(OpenSession, *session);
    if (sdk::resultCode(result) == sdk::Success) {
        script.names.append({*session, printer});
        script.nameCopies.append(QByteArray(printer));
    }
    return result;
}
std::int32_t printerType(std::uint32_t session) {
    return answer(PrinterType, session);
}
std::int32_t smartMode(std::uint32_t session, std::int32_t, std::uint8_t *station) {
    *station = script.input->nextByte();
    return answer(SmartMode, session);
}
std::int32_t feedCard(std::uint32_t session, std::int32_t, std::int32_t) {
    return answer(FeedCard, session);
}
std::int32_t waitForPrinter(std::uint32_t session) {
    return answer(WaitForPrinter, session);
}
std::int32_t moveCard(std::uint32_t session, std::int32_t) {
    return answer(MoveCard, session);
}
std::int32_t ejectCard(std::uint32_t session) {
    return answer(EjectCard, session);
}
std::int32_t closeSession(std::uint32_t session) {
    const std::int32_t result = answer(CloseSession, session);
    for (int i = script.names.size() - 1; i >= 0; --i)
        if (script.names[i].first == session && sdk::resultCode(result) == sdk::Success) {
            script.names.removeAt(i);
            script.nameCopies.removeAt(i);
        }
    return result;
}

struct Entry {
    const char *name;
    QFunctionPointer function;
};

const Entry exports[exportCount] = {
    {"ID_OpenSession", reinterpret_cast<QFunctionPointer>(openSession)},
    {"ID_PrinterType", reinterpret_cast<QFunctionPointer>(printerType)},
    {"ID_SmartMode", reinterpret_cast<QFunctionPointer>(smartMode)},
    {"ID_FeedCard", reinterpret_cast<QFunctionPointer>(feedCard)},
    {"ID_WaitForPrinter", reinterpret_cast<QFunctionPointer>(waitForPrinter)},
    {"ID_MoveCard", reinterpret_cast<QFunctionPointer>(moveCard)},
    {"ID_EjectCard", reinterpret_cast<QFunctionPointer>(ejectCard)},
    {"ID_CloseSession", reinterpret_cast<QFunctionPointer>(closeSession)},
};

} // namespace

void start(FuzzInput *input, std::uint8_t missingExports, bool queueExists, bool cardDriver,
           bool busyAllowed) {
    script = Script();
    script.input = input;
    script.missing = missingExports;
    script.queueExists = queueExists;
    script.cardDriver = cardDriver;
    script.busyAllowed = busyAllowed;
}

void setBusyAllowed(bool allowed) {
    script.busyAllowed = allowed;
}

const QList<Call> &calls() {
    return script.calls;
}

} // namespace scriptedsdk

// The program's SDK loader and queue query, answered by the script.

QLibrary *sdkLibrary = nullptr;

void loadSdkLibrary() {
    // Never loaded: only its presence is asked.
    static QLibrary standIn;
    sdkLibrary = &standIn;
}

QFunctionPointer sdkExport(const char *name) {
    using namespace scriptedsdk;
    for (int i = 0; i < exportCount; ++i)
        if (std::strcmp(exports[i].name, name) == 0)
            return script.missing & (1u << i) ? nullptr : exports[i].function;
    std::abort(); // the program asked for an export the SDK does not have
}

bool printerQueueExists(const QString &) {
    return scriptedsdk::script.queueExists;
}

bool hasCardPrinterDriver(const QString &) {
    return scriptedsdk::script.cardDriver;
}

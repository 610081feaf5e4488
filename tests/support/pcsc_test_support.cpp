#include "pcsc_test_support.h"

#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"

#include <QElapsedTimer>

namespace testsupport {

QString pcscUnavailableReason() {
    SCARDCONTEXT context = 0;
    const LONG established = pcsc::establishContext(&context);
    if (established != SCARD_S_SUCCESS)
        return QStringLiteral("pcscd not reachable (%1); run scripts/start-pcscd.sh")
            .arg(pcscCodeName(established));
    QStringList readers;
    const LONG listed = pcsc::listReaders(context, &readers);
    pcsc::releaseContext(context);
    if (listed != SCARD_S_SUCCESS || !readers.contains(QLatin1String(contactReader)) ||
        !readers.contains(QLatin1String(contactlessReader)))
        return QStringLiteral("the vpcd readers are missing (%1); is vsmartcard-vpcd installed?")
            .arg(pcscCodeName(listed));
    return {};
}

bool waitForCard(const char *reader, bool present, int timeoutMs) {
    SCARDCONTEXT context = 0;
    if (pcsc::establishContext(&context) != SCARD_S_SUCCESS)
        return false;
    SCARD_READERSTATE state{};
    state.szReader = reader;
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const DWORD wanted = present ? SCARD_STATE_PRESENT : SCARD_STATE_EMPTY;
    QElapsedTimer clock;
    clock.start();
    bool reached = false;
    while (!reached && clock.elapsed() < timeoutMs) {
        const LONG result = pcsc::getStatusChange(context, 100, &state);
        if (result == SCARD_S_SUCCESS) {
            reached = state.dwEventState & wanted;
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        }
    }
    pcsc::releaseContext(context);
    return reached;
}

} // namespace testsupport

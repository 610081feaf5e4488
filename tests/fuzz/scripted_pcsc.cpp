#include "scripted_pcsc.h"

#include "pcsc/pcsc.h"

namespace scriptedpcsc {
namespace {

FuzzInput *script = nullptr;
QList<Exchange> recorded;

// The card's next answer, or the result code that ends the call.
LONG nextAnswer(DWORD capacity, QByteArray *answer) {
    answer->clear();
    const std::optional<FuzzInput::Chunk> chunk = script->nextChunk();
    if (!chunk)
        return SCARD_W_REMOVED_CARD;
    if (chunk->failed)
        return LONG(chunk->code);
    if (DWORD(chunk->bytes.size()) > capacity)
        return SCARD_E_INSUFFICIENT_BUFFER;
    *answer = chunk->bytes;
    return SCARD_S_SUCCESS;
}

} // namespace

void start(FuzzInput *input) {
    script = input;
    recorded.clear();
}

const QList<Exchange> &exchanges() {
    return recorded;
}

} // namespace scriptedpcsc

// The program's PC/SC seam, answered by the script.
namespace pcsc {

namespace {
constexpr SCARDCONTEXT theContext = 1;
constexpr SCARDHANDLE theCard = 1;
const SCARD_IO_REQUEST t0Request{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST t1Request{SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
} // namespace

LONG establishContext(SCARDCONTEXT *context) {
    *context = theContext;
    return SCARD_S_SUCCESS;
}

LONG releaseContext(SCARDCONTEXT) {
    return SCARD_S_SUCCESS;
}

LONG listReaders(SCARDCONTEXT, QStringList *readers) {
    *readers = QStringList{QStringLiteral("Fuzz Reader 00 00")};
    return SCARD_S_SUCCESS;
}

LONG getStatusChange(SCARDCONTEXT, DWORD, SCARD_READERSTATE *state) {
    state->dwEventState = SCARD_STATE_CHANGED | SCARD_STATE_PRESENT;
    return SCARD_S_SUCCESS;
}

LONG cancel(SCARDCONTEXT) {
    return SCARD_S_SUCCESS;
}

LONG connect(SCARDCONTEXT, const QByteArray &, DWORD preferredProtocols, SCARDHANDLE *card,
             DWORD *activeProtocol) {
    *card = theCard;
    *activeProtocol =
        preferredProtocols & SCARD_PROTOCOL_T1 ? SCARD_PROTOCOL_T1 : SCARD_PROTOCOL_T0;
    return SCARD_S_SUCCESS;
}

LONG disconnect(SCARDHANDLE, DWORD) {
    return SCARD_S_SUCCESS;
}

LONG reconnect(SCARDHANDLE, DWORD preferredProtocols, DWORD, DWORD *activeProtocol) {
    *activeProtocol =
        preferredProtocols & SCARD_PROTOCOL_T1 ? SCARD_PROTOCOL_T1 : SCARD_PROTOCOL_T0;
    return SCARD_S_SUCCESS;
}

LONG beginTransaction(SCARDHANDLE) {
    return SCARD_S_SUCCESS;
}

LONG endTransaction(SCARDHANDLE, DWORD) {
    return SCARD_S_SUCCESS;
}

LONG status(SCARDHANDLE, DWORD atrCapacity, DWORD *state, QByteArray *atr) {
    QByteArray answer;
    const LONG result = scriptedpcsc::nextAnswer(atrCapacity + 1, &answer);
    *state = answer.isEmpty() ? 0 : DWORD(quint8(answer[0]));
    *atr = answer.mid(1);
    return result;
}

LONG transmit(SCARDHANDLE, const SCARD_IO_REQUEST *, const QByteArray &command, DWORD receiveLength,
              QByteArray *response) {
    const LONG result = scriptedpcsc::nextAnswer(receiveLength, response);
    scriptedpcsc::recorded.append({command, result, *response});
    return result;
}

const SCARD_IO_REQUEST *t0Pci() {
    return &t0Request;
}

const SCARD_IO_REQUEST *t1Pci() {
    return &t1Request;
}

} // namespace pcsc

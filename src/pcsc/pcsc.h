#pragma once

#include <QByteArray>
#include <QStringList>

#include <PCSC/winscard.h>

// The one place that calls PC/SC. Each function returns the PC/SC result code and
// does nothing else, so callers keep every decision.
namespace pcsc {

LONG establishContext(SCARDCONTEXT *context);
LONG releaseContext(SCARDCONTEXT context);

// All readers of all groups, in PC/SC's order, named as reader_names.h says; the
// platform's list is freed here.
LONG listReaders(SCARDCONTEXT context, QStringList *readers);

LONG getStatusChange(SCARDCONTEXT context, DWORD timeoutMs, SCARD_READERSTATE *state);
// Ends the context's pending status-change waits with SCARD_E_CANCELLED; callable
// from any thread.
LONG cancel(SCARDCONTEXT context);

LONG connect(SCARDCONTEXT context, const QByteArray &reader, DWORD preferredProtocols,
             SCARDHANDLE *card, DWORD *activeProtocol);
LONG disconnect(SCARDHANDLE card, DWORD disposition);
LONG reconnect(SCARDHANDLE card, DWORD preferredProtocols, DWORD initialization,
               DWORD *activeProtocol);

// While one handle holds a transaction, pcscd makes every other handle to the card wait.
LONG beginTransaction(SCARDHANDLE card);
LONG endTransaction(SCARDHANDLE card, DWORD disposition);

// The card's state flags and ATR, read into a buffer of atrCapacity bytes.
LONG status(SCARDHANDLE card, DWORD atrCapacity, DWORD *state, QByteArray *atr);

// Sends command and receives at most receiveLength bytes into *response; on failure
// *response is left empty.
LONG transmit(SCARDHANDLE card, const SCARD_IO_REQUEST *sendPci, const QByteArray &command,
              DWORD receiveLength, QByteArray *response);

const SCARD_IO_REQUEST *t0Pci();
const SCARD_IO_REQUEST *t1Pci();

} // namespace pcsc

#include "encoding.h"

#include "active_protocol.h"
#include "card/apdu_exchange.h"
#include "card/desfire_exercise.h"
#include "card_identification.h"
#include "card_session_lock.h"
#include "card_watch.h"
#include "interruption.h"
#include "pcsc/card_session.h"
#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"
#include "pcsc/reader_names.h"
#include "protocol_choice.h"

#include <QDebug>

#include <mutex>

namespace {

const char placeholderEntry[] = "Please choose a reader...";
const char noReaderMessage[] = "No Reader Connected";
const char noCardMessage[] =
    "The smart card has been removed, so that further communication is not possible.";

// False, with the failure's code name reported, when PC/SC gives no context.
bool establishReportedContext(Encoding &worker, SCARDCONTEXT *context) {
    const LONG result = pcsc::establishContext(context);
    if (result == SCARD_S_SUCCESS)
        return true;
    *context = 0;
    emit worker.sendBackUIMessage(pcscCodeName(result));
    return false;
}

// The attached readers; with none attached the window is told so. Other listing
// failures pass silently.
LONG listReportedReaders(Encoding &worker, SCARDCONTEXT context, QStringList *readers) {
    const LONG result = pcsc::listReaders(context, readers);
    if (result == SCARD_E_NO_READERS_AVAILABLE) {
        emit worker.sendBackReaderMessage(QString::fromLatin1(noReaderMessage));
        emit worker.sendBackUIMessage(QString());
    }
    return result;
}

} // namespace

Encoding::Encoding(QObject *parent) : QThread(parent) {}

void Encoding::listReaders() {
    SCARDCONTEXT context = 0;
    if (!establishReportedContext(*this, &context))
        return;
    QStringList readers;
    if (listReportedReaders(*this, context, &readers) == SCARD_S_SUCCESS)
        emit sendBackReaderList(QStringList(QString::fromLatin1(placeholderEntry)) + readers);
    pcsc::releaseContext(context);
}

void Encoding::connectToReader(QString readerName) {
    qDebug().noquote() << QStringLiteral("connect To Reader, reader name:") +
                              shownReaderName(readerName);
    SCARDCONTEXT context = 0;
    if (!establishReportedContext(*this, &context))
        return;
    QStringList readers;
    if (listReportedReaders(*this, context, &readers) == SCARD_S_SUCCESS) {
        qDebug() << "SCARD_S_SUCCESS";
        CardWatch watch(&context, readerNameBytes(readerName));
        emit sendBackReaderMessage(readerName);
        emit sendBackUIMessage(QString::fromLatin1(noCardMessage));
        if (watch.waitForCard()) {
            qDebug() << "Card found";
            processCard(context, readerName);
            qDebug() << "About to look for card exit";
            if (watch.waitForRemoval()) {
                qDebug() << "card has been removed";
                emit sendCardRemoved();
            }
        }
    }
    if (context)
        pcsc::releaseContext(context);
}

void Encoding::receiveT0(bool receiveT0) {
    t0Requested = receiveT0;
}

void Encoding::receiveT1(bool receiveT1) {
    t1Requested = receiveT1;
}

void Encoding::receiveAPDUMessage(QString readerName, QString apduMessage) {
    apduPending = true;
    apduText = apduMessage;
    connectToReader(readerName);
}

void Encoding::receiveDESFire(QString readerName, bool DESFire) {
    qDebug() << "Received DESFire";
    desfireRequested = DESFire;
    connectToReader(readerName);
}

void Encoding::processCard(SCARDCONTEXT context, const QString &readerName) {
    const std::lock_guard<std::mutex> oneAtATime(cardSessionLock());
    // A worker retired while it waited for the card, or for the worker before it to be
    // done with the card, leaves the card to the one that replaced it.
    if (workerRetired())
        return;
    if (desfireRequested)
        qDebug() << "DESFire needs T1";
    const DWORD protocols =
        preferredProtocols({desfireRequested, apduPending, t0Requested, t1Requested});

    // Closed with a reset on every path: pcsc-lite would keep a card left powered on its
    // negotiated protocol and refuse a later T=1-only connection to it.
    const bool sendsCommands = desfireRequested || apduPending;
    pcsc::CardSession session(context, readerNameBytes(readerName), protocols,
                              sendsCommands ? pcsc::CardSession::Start::Reset
                                            : pcsc::CardSession::Start::AsFound,
                              workerRetired);
    if (!session.isOpen()) {
        if (!session.stopped())
            emit sendBackUIMessage(pcscCodeName(session.result()));
        return;
    }
    selectActiveProtocol(session.activeProtocol());

    if (!identifyCard(session.handle(), *this))
        return;

    if (desfireRequested) {
        desfireRequested = false;
        runDesfireExercise(session.handle(), *this);
        return;
    }
    if (apduPending) {
        apduPending = false;
        // A retired worker stops between lines; the answers so far still reach the
        // window.
        exchangeApdus(session.handle(), activeProtocolPci, apduText, *this, workerRetired);
    }
}

#include "reader_choice.h"

#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"
#include "pcsc/reader_names.h"

#include <PCSC/pcsclite.h>

namespace {

QString readerLines(const QStringList &readers) {
    QString lines;
    for (const QString &reader : readers)
        lines += QStringLiteral("\n  ") + shownReaderName(reader);
    return lines;
}

} // namespace

PcscContext::PcscContext() {
    const LONG result = pcsc::establishContext(&handle_);
    if (result == SCARD_S_SUCCESS)
        return;
    handle_ = 0;
    if (result == SCARD_E_NO_SERVICE || result == SCARD_E_SERVICE_STOPPED)
        failure_ = QStringLiteral("pcscd is not running (%1): start it, for instance with "
                                  "\"systemctl start pcscd\", and try again")
                       .arg(pcscCodeName(result));
    else
        failure_ = QStringLiteral("PC/SC gives no context (%1): check that pcscd runs and that "
                                  "this user may reach it")
                       .arg(pcscCodeName(result));
}

PcscContext::~PcscContext() {
    if (handle_)
        pcsc::releaseContext(handle_);
}

bool readReaderState(SCARDCONTEXT context, const QString &reader, ReaderState *state) {
    const QByteArray name = readerNameBytes(reader);
    SCARD_READERSTATE query{};
    query.szReader = name.constData();
    query.dwCurrentState = SCARD_STATE_UNAWARE;
    if (pcsc::getStatusChange(context, 0, &query) != SCARD_S_SUCCESS)
        return false;
    state->present = query.dwEventState & SCARD_STATE_PRESENT;
    state->atr = state->present ? QByteArray(reinterpret_cast<const char *>(query.rgbAtr),
                                             int(qMin<DWORD>(query.cbAtr, sizeof query.rgbAtr)))
                                : QByteArray();
    return true;
}

QStringList listedReaders(const PcscContext &context, QString *failure) {
    if (!context.failure().isEmpty()) {
        *failure = context.failure();
        return {};
    }
    QStringList readers;
    const LONG result = pcsc::listReaders(context.handle(), &readers);
    if (result == SCARD_E_NO_READERS_AVAILABLE || (result == SCARD_S_SUCCESS && readers.isEmpty()))
        *failure = QStringLiteral("no reader (%1): connect the encoder's reader, or start its "
                                  "driver, and try again")
                       .arg(pcscCodeName(SCARD_E_NO_READERS_AVAILABLE));
    else if (result != SCARD_S_SUCCESS)
        *failure = QStringLiteral("the readers cannot be listed (%1): check that pcscd runs")
                       .arg(pcscCodeName(result));
    return readers;
}

QString chooseReader(const PcscContext &context, const QString &requested, QString *failure) {
    const QStringList readers = listedReaders(context, failure);
    if (readers.isEmpty())
        return {};
    if (!requested.isEmpty()) {
        if (readers.contains(requested))
            return requested;
        // As the program writes it, "\xFF" for a byte that is no UTF-8.
        for (const QString &reader : readers)
            if (shownReaderName(reader) == requested)
                return reader;
        *failure = QStringLiteral("unknown reader \"%1\"; choose one of these with -r:%2")
                       .arg(shownReaderName(requested), readerLines(readers));
        return {};
    }
    if (readers.size() == 1)
        return readers.first();
    QStringList holdingCards;
    for (const QString &reader : readers) {
        ReaderState state;
        if (readReaderState(context.handle(), reader, &state) && state.present)
            holdingCards.append(reader);
    }
    if (holdingCards.size() == 1)
        return holdingCards.first();
    *failure = QStringLiteral("%1 readers%2; choose one with -r:%3")
                   .arg(readers.size())
                   .arg(holdingCards.isEmpty() ? QStringLiteral(", none holding a card")
                                               : QStringLiteral(", several holding a card"))
                   .arg(readerLines(readers));
    return {};
}

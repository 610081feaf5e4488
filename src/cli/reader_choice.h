#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <PCSC/winscard.h>

// A PC/SC context for the length of a command.
class PcscContext {
public:
    PcscContext();
    ~PcscContext();
    PcscContext(const PcscContext &) = delete;
    PcscContext &operator=(const PcscContext &) = delete;

    SCARDCONTEXT handle() const { return handle_; }
    // Empty when the context is there; otherwise what is wrong and what to do.
    QString failure() const { return failure_; }

private:
    SCARDCONTEXT handle_ = 0;
    QString failure_;
};

struct ReaderState {
    bool present = false;
    QByteArray atr; // empty when no card is there, or the card gave none
};

// Whether the reader holds a card now, and its ATR. False when PC/SC cannot tell.
bool readReaderState(SCARDCONTEXT context, const QString &reader, ReaderState *state);

// Every reader; empty with *failure saying what to do when there is none to list, or
// no context to list them with.
QStringList listedReaders(const PcscContext &context, QString *failure);

// The reader a command works with: the one asked for; without one, the only reader
// there is, or of several the only one that holds a card. Empty with *failure saying
// what to do (and listing the readers) when there is none to take.
QString chooseReader(const PcscContext &context, const QString &requested, QString *failure);

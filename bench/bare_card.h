#pragma once

#include <QByteArray>

#include <PCSC/winscard.h>

// A card connection made straight through PC/SC, with nothing of the worker in
// between: the floor that the worker's card commands are held against. The card is
// reset when the connection ends.
class BareCard {
public:
    BareCard(const QByteArray &reader, DWORD protocols);
    ~BareCard();
    BareCard(const BareCard &) = delete;
    BareCard &operator=(const BareCard &) = delete;

    bool connected() const { return card_ != 0; }
    // The card's answer; empty when the transmission failed.
    QByteArray transmit(const QByteArray &command);

private:
    QByteArray reader_;
    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
    const SCARD_IO_REQUEST *pci_ = SCARD_PCI_T1;
};

#include "bare_card.h"

BareCard::BareCard(const QByteArray &reader, DWORD protocols) : reader_(reader) {
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_) != SCARD_S_SUCCESS)
        return;
    DWORD active = 0;
    if (SCardConnect(context_, reader_.constData(), SCARD_SHARE_SHARED, protocols, &card_,
                     &active) != SCARD_S_SUCCESS) {
        card_ = 0;
        return;
    }
    pci_ = active == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
}

BareCard::~BareCard() {
    if (card_)
        SCardDisconnect(card_, SCARD_RESET_CARD);
    if (context_)
        SCardReleaseContext(context_);
}

QByteArray BareCard::transmit(const QByteArray &command) {
    BYTE answer[258];
    DWORD length = sizeof answer;
    if (SCardTransmit(card_, pci_, reinterpret_cast<const BYTE *>(command.constData()),
                      DWORD(command.size()), nullptr, answer, &length) != SCARD_S_SUCCESS)
        return {};
    return QByteArray(reinterpret_cast<const char *>(answer), int(length));
}

#pragma once

#include "card/card_reports.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <PCSC/winscard.h>

#include <memory>

namespace vcard {
class VirtualCard;
class VpcdLink;
} // namespace vcard

namespace cardtest {

// Records what card code tells the operator.
struct RecordedReports : CardReports {
    void reportUiMessage(const QString &message) override { uiMessages.append(message); }
    void reportPopup(const QString &title, const QString &message) override {
        popups.append({title, message});
    }
    struct Popup {
        QString title;
        QString message;
    };
    QStringList uiMessages;
    QList<Popup> popups;
};

// Standard output without the lines QtTest writes there for debug messages.
QString withoutDebugLines(const QString &console);

// A virtual card in the contact reader, connected through the PC/SC seam.
class ConnectedCard {
public:
    ConnectedCard(std::shared_ptr<vcard::VirtualCard> card, DWORD preferredProtocols);
    ~ConnectedCard();
    bool ok() const { return connectResult == SCARD_S_SUCCESS; }
    QString failure() const;

    vcard::VpcdLink &link() { return *vpcd; }
    // Command APDUs the card received since the last clearLog(), upper-case hex.
    QStringList commands() const;
    QStringList log() const;

    SCARDCONTEXT context = 0;
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    LONG connectResult = SCARD_E_UNEXPECTED;
    bool disconnected = false;

private:
    std::unique_ptr<vcard::VpcdLink> vpcd;
    bool inserted = false;
};

} // namespace cardtest

#pragma once

#include "card/card_reports.h"
#include "pcsc/card_session.h"

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

// A virtual card in the contact reader, in a card session of the program's.
class ConnectedCard {
public:
    ConnectedCard(std::shared_ptr<vcard::VirtualCard> card, DWORD preferredProtocols);
    ~ConnectedCard();
    bool ok() const { return session && session->isOpen(); }
    QString failure() const;

    vcard::VpcdLink &link() { return *vpcd; }
    // Command APDUs the card received since the last clearLog(), upper-case hex.
    QStringList commands() const;
    QStringList log() const;

    SCARDHANDLE handle() const { return session->handle(); }

    SCARDCONTEXT context = 0;
    std::unique_ptr<pcsc::CardSession> session;

private:
    std::unique_ptr<vcard::VpcdLink> vpcd;
    bool inserted = false;
};

} // namespace cardtest

#include "card_test_support.h"

#include "pcsc/card_session.h"
#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"

namespace cardtest {

QString withoutDebugLines(const QString &console) {
    QString kept;
    for (const QString &line : console.split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QLatin1String("QDEBUG")))
            kept += line + '\n';
    return kept;
}

ConnectedCard::ConnectedCard(std::shared_ptr<vcard::VirtualCard> card, DWORD preferredProtocols)
    : vpcd(std::make_unique<vcard::VpcdLink>(std::move(card))) {
    if (pcsc::establishContext(&context) != SCARD_S_SUCCESS)
        return;
    inserted = vpcd->insert(0);
    if (!inserted || !testsupport::waitForCard(testsupport::contactReader, true))
        return;
    session = std::make_unique<pcsc::CardSession>(
        context, testsupport::contactReader, preferredProtocols, pcsc::CardSession::Start::AsFound);
    vpcd->clearLog();
}

ConnectedCard::~ConnectedCard() {
    session.reset();
    if (context)
        pcsc::releaseContext(context);
    if (inserted) {
        vpcd->remove();
        testsupport::waitForCard(testsupport::contactReader, false);
    }
}

QString ConnectedCard::failure() const {
    if (!inserted)
        return QStringLiteral("could not insert the virtual card");
    return QStringLiteral("connecting failed: %1")
        .arg(session ? pcscCodeName(session->result()) : QStringLiteral("no context"));
}

QStringList ConnectedCard::log() const {
    QStringList entries;
    for (const std::string &entry : vpcd->log())
        entries.append(QString::fromStdString(entry));
    return entries;
}

QStringList ConnectedCard::commands() const {
    QStringList apdus;
    for (const QString &entry : log())
        if (entry.startsWith(QLatin1String("APDU ")))
            apdus.append(entry.mid(5));
    return apdus;
}

} // namespace cardtest

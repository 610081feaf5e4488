#include "card_test_support.h"

#include "pcsc_test_support.h"
#include "vpcd_link.h"
#include "worker/pcsc.h"
#include "worker/pcsc_names.h"

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace cardtest {

StdoutCapture::StdoutCapture() {
    std::fflush(stdout);
    char name[] = "/tmp/card-stdout-XXXXXX";
    file = mkstemp(name);
    unlink(name);
    saved = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    take();
}

QByteArray StdoutCapture::take() {
    if (saved < 0)
        return {};
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    saved = -1;
    QByteArray text;
    lseek(file, 0, SEEK_SET);
    char buffer[4096];
    for (ssize_t n; (n = read(file, buffer, sizeof buffer)) > 0;)
        text.append(buffer, int(n));
    close(file);
    return text;
}

QByteArray withoutDebugLines(const QByteArray &console) {
    QByteArray kept;
    for (const QByteArray &line : console.split('\n'))
        if (!line.isEmpty() && !line.startsWith("QDEBUG"))
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
    connectResult =
        pcsc::connect(context, testsupport::contactReader, preferredProtocols, &handle, &protocol);
    vpcd->clearLog();
}

ConnectedCard::~ConnectedCard() {
    if (ok() && !disconnected)
        pcsc::disconnect(handle, SCARD_RESET_CARD);
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
    return QStringLiteral("connecting failed: %1").arg(pcscCodeName(connectResult));
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

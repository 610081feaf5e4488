#include "private_pcscd.h"

#include "pcsc/pcsc.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {

const char vpcdDriver[] = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";

QByteArray readerConfig(const QByteArray &friendlyName, int port) {
    const QString channel = QStringLiteral("0x%1").arg(port, 0, 16);
    return "FRIENDLYNAME \"" + friendlyName + "\"\n" +
           QStringLiteral("DEVICENAME   /dev/null:%1\n"
                          "LIBPATH      %2\n"
                          "CHANNELID    %1\n")
               .arg(channel, QLatin1String(vpcdDriver))
               .toUtf8();
}

} // namespace

PrivatePcscd::PrivatePcscd() : scratch_(QStringLiteral("/tmp/quorvane-pcscd-XXXXXX")) {
    QDir dir(scratch_.path());
    dir.mkpath(QStringLiteral("run"));
    dir.mkpath(QStringLiteral("no-readers"));
    dir.mkpath(QStringLiteral("vpcd"));
    setFriendlyName("Virtual PCD");
    daemon_.setStandardOutputFile(QProcess::nullDevice());
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

PrivatePcscd::~PrivatePcscd() {
    stop();
}

QString PrivatePcscd::unavailableReason() const {
    if (geteuid() != 0)
        return QStringLiteral("a private pcscd needs root (mount namespace)");
    if (QStandardPaths::findExecutable(QStringLiteral("pcscd")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        return QStringLiteral("pcscd or unshare not installed");
    if (!QFile::exists(QLatin1String(vpcdDriver)))
        return QStringLiteral("vsmartcard-vpcd not installed");
    if (!scratch_.isValid())
        return QStringLiteral("no scratch directory");
    return {};
}

void PrivatePcscd::setFriendlyName(const QByteArray &name) {
    QFile config(QDir(scratch_.path()).filePath(QStringLiteral("vpcd/vpcd")));
    if (config.open(QIODevice::WriteOnly))
        config.write(readerConfig(name, 35963 + firstVpcdSlot));
}

void PrivatePcscd::useForThisProcess() const {
    qputenv("PCSCLITE_CSOCK_NAME", QDir(scratch_.path()).filePath("run/pcscd.comm").toUtf8());
}

bool PrivatePcscd::start(bool withReaders) {
    stop();
    const QDir dir(scratch_.path());
    const QString config = dir.filePath(withReaders ? "vpcd" : "no-readers");
    // unshare and sh both exec, so the process is pcscd itself.
    daemon_.start(QStringLiteral("unshare"),
                  {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                   QStringLiteral("mount --bind '%1' /run/pcscd && exec pcscd -f -c '%2'")
                       .arg(dir.filePath("run"), config)});
    if (!daemon_.waitForStarted(3000))
        return false;

    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && daemon_.state() == QProcess::Running) {
        SCARDCONTEXT context = 0;
        if (pcsc::establishContext(&context) == SCARD_S_SUCCESS) {
            QStringList readers;
            const LONG listed = pcsc::listReaders(context, &readers);
            pcsc::releaseContext(context);
            if (withReaders ? readers.size() >= 2 : listed == SCARD_E_NO_READERS_AVAILABLE)
                return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void PrivatePcscd::stop() {
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000)) {
        daemon_.kill();
        daemon_.waitForFinished(1000);
    }
}

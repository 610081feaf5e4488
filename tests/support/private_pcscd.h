#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A pcscd of the test's own beside the shared one, so that "no service", "no reader"
// and a service restart can be tested without disturbing other tests. It runs in a
// mount namespace whose /run/pcscd is a scratch directory (pcscd's socket path is
// fixed at build time; its client reads PCSCLITE_CSOCK_NAME). Needs root.
class PrivatePcscd {
public:
    // vpcd slots of the private reader: ports 35979 and 35980, named like the shared
    // ones ("Virtual PCD 00 00" and "Virtual PCD 00 01").
    static constexpr int firstVpcdSlot = 16;

    PrivatePcscd();
    ~PrivatePcscd(); // stops the daemon

    // Empty when a private daemon can be run here; otherwise why not, for QSKIP.
    QString unavailableReason() const;

    // The name its readers are given at the next start, before " 00 00" and " 00 01";
    // any bytes but a double quote and a line end.
    void setFriendlyName(const QByteArray &name);

    // Points this process's PC/SC calls at the private socket. pcsc-lite reads the
    // variable once, so this must come before the first PC/SC call of the process.
    void useForThisProcess() const;

    // Starts the daemon, with the two vpcd readers or with none, and waits until it
    // answers (and, with readers, lists them).
    bool start(bool withReaders);
    void stop();

private:
    QTemporaryDir scratch_;
    QProcess daemon_;
};

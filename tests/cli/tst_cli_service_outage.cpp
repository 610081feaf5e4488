// quorvane-cli against a pcscd of the test's own (see PrivatePcscd) that is stopped or
// has no reader: a set-up error, exit status 2, with a message that says what to do.

#include "cli_process.h"
#include "private_pcscd.h"

#include <QtTest>

#include <memory>

class TestCliServiceOutage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void setupErrors_data();
    void setupErrors();

private:
    std::unique_ptr<PrivatePcscd> daemon_;
};

void TestCliServiceOutage::initTestCase() {
    daemon_ = std::make_unique<PrivatePcscd>();
    const QString reason = daemon_->unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(reason));
    // The programs started here inherit the private socket's name.
    daemon_->useForThisProcess();
}

void TestCliServiceOutage::setupErrors_data() {
    QTest::addColumn<bool>("running"); // without readers
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString stopped = QStringLiteral(
        "quorvane-cli: pcscd is not running (SCARD_E_NO_SERVICE): start it, for instance with "
        "\"systemctl start pcscd\", and try again\n");
    const QString noReader =
        QStringLiteral("quorvane-cli: no reader (SCARD_E_NO_READERS_AVAILABLE): connect the "
                       "encoder's reader, or start its driver, and try again\n");
    const QList<QStringList> commands{{"readers"},
                                      {"identify", "-r", "Virtual PCD 00 00"},
                                      {"apdu", "/dev/null"},
                                      {"desfire-test", "--cycles", "3"}};
    for (const QStringList &command : commands) {
        QTest::addRow("pcscd stopped: %s", qPrintable(command.first()))
            << false << command << stopped;
        QTest::addRow("no reader: %s", qPrintable(command.first())) << true << command << noReader;
    }
}

void TestCliServiceOutage::setupErrors() {
    QFETCH(bool, running);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    if (running)
        QVERIFY(daemon_->start(false));
    else
        daemon_->stop();
    CliProcess run(arguments);
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 2);
    QCOMPARE(run.output(), QString());
    QCOMPARE(run.errors(), message);
}

QTEST_GUILESS_MAIN(TestCliServiceOutage)
#include "tst_cli_service_outage.moc"

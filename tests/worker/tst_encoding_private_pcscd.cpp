// Runs against a pcscd of its own (see PrivatePcscd), which it may stop and start at
// will: no service, no reader, and a service restart under a watching worker.

#include "debug_log.h"
#include "private_pcscd.h"
#include "worker_harness.h"

#include "iso_card.h"
#include "vpcd_link.h"

#include <QtTest>

#include <memory>

namespace {

const QString reader = QStringLiteral("Virtual PCD 00 00");
const QString noCardText = QStringLiteral(
    "The smart card has been removed, so that further communication is not possible.");
const QString desfireAtrText = QStringLiteral("ATR: 3B8180018080");

std::unique_ptr<vcard::VpcdLink> insertedCard() {
    auto card = std::make_unique<vcard::VpcdLink>(std::make_shared<vcard::IsoCard>());
    return card->insert(PrivatePcscd::firstVpcdSlot) ? std::move(card) : nullptr;
}

} // namespace

class TestEncodingPrivatePcscd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void unavailable_data();
    void unavailable();
    void restartWhileWaitingForCard();
    void restartWhileCardIsIn();
    void readerNameThatIsNoUtf8();

private:
    std::unique_ptr<PrivatePcscd> daemon_;
};

void TestEncodingPrivatePcscd::initTestCase() {
    daemon_ = std::make_unique<PrivatePcscd>();
    const QString reason = daemon_->unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(reason));
    daemon_->useForThisProcess();
}

void TestEncodingPrivatePcscd::unavailable_data() {
    QTest::addColumn<bool>("daemonRuns");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<QStringList>("uiMessages");
    QTest::addColumn<QStringList>("readerMessages");

    const QStringList noService{"SCARD_E_NO_SERVICE"};
    const QStringList noReader{"No Reader Connected"};
    QTest::newRow("no service, list") << false << false << noService << QStringList();
    QTest::newRow("no service, connect") << false << true << noService << QStringList();
    QTest::newRow("no reader, list") << true << false << QStringList{QString()} << noReader;
    QTest::newRow("no reader, connect") << true << true << QStringList{QString()} << noReader;
}

void TestEncodingPrivatePcscd::unavailable() {
    QFETCH(bool, daemonRuns);
    QFETCH(bool, connect);
    QFETCH(QStringList, uiMessages);
    QFETCH(QStringList, readerMessages);

    if (daemonRuns)
        QVERIFY(daemon_->start(false));
    else
        daemon_->stop();

    DebugLog debug;
    WorkerHarness harness;
    if (connect)
        emit harness.connectToReader(reader);
    else
        emit harness.listReaders();
    QTRY_COMPARE(harness.uiMessages, uiMessages);
    QCOMPARE(harness.readerMessages, readerMessages);
    QVERIFY(harness.readerLists.isEmpty());
    // No card watch was started.
    QCOMPARE(debug.count("SCARD_S_SUCCESS"), 0);
}

void TestEncodingPrivatePcscd::restartWhileWaitingForCard() {
    QVERIFY(daemon_->start(true));
    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});

    daemon_->stop();
    // Some turns of the watch without any service.
    QTest::qWait(600);
    QVERIFY(daemon_->start(true));
    auto card = insertedCard();
    QVERIFY(card);

    // The watch went on with a new context of its own, without a word.
    QTRY_VERIFY(harness.uiMessages.contains(desfireAtrText));
    QCOMPARE(harness.uiMessages.at(1), desfireAtrText);
    QCOMPARE(harness.uiMessages.filter("SCARD_").size(), 0);
    card->remove();
    QTRY_COMPARE(harness.removals, 1);
}

// The restarted service knows nothing of the card that was in the reader: the watch
// reports it gone, so that the window starts over.
void TestEncodingPrivatePcscd::restartWhileCardIsIn() {
    QVERIFY(daemon_->start(true));
    DebugLog debug;
    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    auto card = insertedCard();
    QVERIFY(card);
    QTRY_COMPARE(debug.count("About to look for card exit"), 1);

    daemon_->stop();
    QVERIFY(daemon_->start(true));
    QTRY_COMPARE(harness.removals, 1);
    QCOMPARE(harness.uiMessages.filter("SCARD_").size(), 0);
}

// A driver's friendly name with a byte that is no UTF-8: the name the worker lists is
// the one it watches and connects to, byte for byte.
void TestEncodingPrivatePcscd::readerNameThatIsNoUtf8() {
    daemon_->setFriendlyName("Virtual\xffPCD");
    const bool started = daemon_->start(true);
    daemon_->setFriendlyName("Virtual PCD");
    QVERIFY(started);
    const QString oddReader =
        QStringLiteral("Virtual") + QChar(0xDCFF) + QStringLiteral("PCD 00 00");

    DebugLog debug;
    WorkerHarness harness;
    emit harness.listReaders();
    QTRY_COMPARE(harness.readerLists.size(), 1);
    QVERIFY(harness.readerLists.first().contains(oddReader));
    emit harness.connectToReader(oddReader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    QCOMPARE(harness.readerMessages, QStringList{oddReader});
    auto card = insertedCard();
    QVERIFY(card);
    QTRY_COMPARE(harness.uiMessages.value(1), desfireAtrText);
    QCOMPARE(harness.uiMessages.filter("SCARD_").size(), 0);
    card->remove();
    QTRY_COMPARE(harness.removals, 1);
    QCOMPARE(debug.lines().value(0),
             QStringLiteral("connect To Reader, reader name:Virtual\\xFFPCD 00 00"));
}

QTEST_GUILESS_MAIN(TestEncodingPrivatePcscd)
#include "tst_encoding_private_pcscd.moc"

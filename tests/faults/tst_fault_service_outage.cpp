// The window watching a reader of a pcscd of the test's own (see PrivatePcscd), which
// the test stops, restarts, and restarts without readers under the watch.

#include "operator_window.h"
#include "private_pcscd.h"
#include "process_cpu.h"

#include "iso_card.h"
#include "vpcd_link.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

#include <memory>

namespace {

const QString reader = QStringLiteral("Virtual PCD 00 00");
const QString otherReader = QStringLiteral("Virtual PCD 00 01");
const QString noCard = QStringLiteral("No smart card inserted.");
const QString atrText = QStringLiteral("ATR: 3B8180018080");
constexpr int outageMs = 1500;

std::unique_ptr<vcard::VpcdLink> insertedCard() {
    auto card = std::make_unique<vcard::VpcdLink>(std::make_shared<vcard::IsoCard>());
    return card->insert(PrivatePcscd::firstVpcdSlot) ? std::move(card) : nullptr;
}

// The share of one core that the whole process used while the GUI thread idled for
// ms. A watch that retried in a tight loop would keep a core busy, near 1.0, however
// slow the machine; a watch that pauses between its short waits stays far below.
double cpuShareWhileIdling(int ms) {
    QElapsedTimer wall;
    wall.start();
    const auto before = processCpuTime();
    QTest::qWait(ms);
    const auto used = processCpuTime() - before;
    return double(used.count()) / double(wall.nsecsElapsed() / 1000);
}

} // namespace

class TestFaultServiceOutage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void watchResumesAfterAnOutage_data();
    void watchResumesAfterAnOutage();
    void watchingThePlaceholderIsIdle();
    void choosingAReaderThatIsGone();

private:
    std::unique_ptr<PrivatePcscd> daemon_;
};

void TestFaultServiceOutage::initTestCase() {
    daemon_ = std::make_unique<PrivatePcscd>();
    const QString reason = daemon_->unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(reason));
    // Before the first window makes its first PC/SC call.
    daemon_->useForThisProcess();
}

void TestFaultServiceOutage::init() {
    QVERIFY(daemon_->start(true));
}

void TestFaultServiceOutage::watchResumesAfterAnOutage_data() {
    QTest::addColumn<bool>("cardIn");
    QTest::addColumn<bool>("readersDuringOutage");

    QTest::newRow("service stopped") << false << false;
    QTest::newRow("reader gone: service back without it") << false << true;
    QTest::newRow("service stopped with a card in the reader") << true << false;
}

// The label keeps its last word through the outage (the watch is silent about it), no
// core spins, and afterwards the same window identifies a card without any help.
void TestFaultServiceOutage::watchResumesAfterAnOutage() {
    QFETCH(bool, cardIn);
    QFETCH(bool, readersDuringOutage);

    OperatorWindow op;
    QVERIFY(op.watchReader(reader));
    QCOMPARE(op.atrLabel()->text(), noCard);
    std::unique_ptr<vcard::VpcdLink> card;
    if (cardIn) {
        card = insertedCard();
        QVERIFY(card);
        QTRY_COMPARE(op.debug.count(QStringLiteral("About to look for card exit")), 1);
        // The identification texts were queued before that line; let them land.
        QCoreApplication::sendPostedEvents();
        QVERIFY(op.atrLabel()->text().startsWith(atrText));
    }
    const QString before = op.atrLabel()->text();

    if (readersDuringOutage)
        QVERIFY(daemon_->start(false));
    else
        daemon_->stop();
    const double share = cpuShareWhileIdling(outageMs);
    QVERIFY2(share < 0.5, qPrintable(QStringLiteral("CPU share %1").arg(share)));
    QCOMPARE(op.atrLabel()->text(), before);

    QVERIFY(daemon_->start(true));
    if (cardIn) {
        // The new service reports the card anew: it is gone, then back, and shown.
        QTRY_VERIFY_WITH_TIMEOUT(op.atrLabel()->text() == noCard, 10000);
        card.reset();
    }
    card = insertedCard();
    QVERIFY(card);
    QTRY_VERIFY_WITH_TIMEOUT(op.atrLabel()->text().startsWith(atrText), 10000);
    card->remove();
    QTRY_COMPARE(op.atrLabel()->text(), noCard);
    QCOMPARE(op.popups.size(), 0);
}

// Right after start the window watches its list's placeholder, a name PC/SC does not
// know: that watch must not spin either.
void TestFaultServiceOutage::watchingThePlaceholderIsIdle() {
    OperatorWindow op;
    QTRY_COMPARE(op.readers()->count(), 3);
    QCOMPARE(op.readers()->currentIndex(), 0);
    QTRY_COMPARE(op.atrLabel()->text(), noCard);
    const double share = cpuShareWhileIdling(outageMs);
    QVERIFY2(share < 0.5, qPrintable(QStringLiteral("CPU share %1").arg(share)));
}

// The reader box still lists readers that have gone. A refresh tells the operator that
// none is attached (an empty label), and so does choosing a gone reader from the old
// list; after a refresh with the readers back the window works as before.
void TestFaultServiceOutage::choosingAReaderThatIsGone() {
    OperatorWindow op;
    QVERIFY(op.watchReader(reader));

    QVERIFY(daemon_->start(false));
    op.refresh();
    QTRY_COMPARE(op.atrLabel()->text(), QString());
    QCOMPARE(op.readers()->count(), 3); // no list came, so the old one stays

    op.atrLabel()->setText(atrText); // as an earlier card would have left it
    op.readers()->setCurrentText(otherReader);
    QTRY_COMPARE(op.atrLabel()->text(), QString());

    QVERIFY(daemon_->start(true));
    op.refresh();
    QTRY_COMPARE(op.atrLabel()->text(), noCard);
    QVERIFY(op.chooseReader(reader));
    auto card = insertedCard();
    QVERIFY(card);
    QTRY_VERIFY_WITH_TIMEOUT(op.atrLabel()->text().startsWith(atrText), 10000);
    QCOMPARE(op.popups.size(), 0);
}

QTEST_MAIN(TestFaultServiceOutage)
#include "tst_fault_service_outage.moc"

// The window's workers as an operator wears them out: a run interrupted by another
// choice, and thousands of worker restarts in one session.

#include "operator_window.h"

#include "card_log.h"
#include "desfire_card.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "ui/worker_threads.h"
#include "vpcd_link.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QtTest>

#include <cstdio>

namespace {

const QString contactReader = QLatin1String(testsupport::contactReader);
const QString contactlessReader = QLatin1String(testsupport::contactlessReader);
const QString noCard = QStringLiteral("No smart card inserted.");
const QString watchStarted = QStringLiteral("SCARD_S_SUCCESS");

int entriesIn(const QString &path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size();
}

int threadCount() {
    return entriesIn(QStringLiteral("/proc/self/task"));
}

// The window's worker threads: the window names them.
int workerThreadCount() {
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "card worker")
            ++count;
    }
    return count;
}

int descriptorCount() {
    return entriesIn(QStringLiteral("/proc/self/fd"));
}

qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

class TestOperatorWorkers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactReader, false)); }

    void retiredRunStillReportsToTheWindow();
    void thousandsOfRestartsLeaveNothingBehind();
    void closedDuringATypedRun();
    void closedDuringTheStressTest();
};

// Picking another reader in the middle of a long typed run retires its worker: it stops
// after the line under way, and its answers so far still come up at the window, while
// the new worker already watches the other reader.
void TestOperatorWorkers::retiredRunStillReportsToTheWindow() {
    const int lines = 20000;
    OperatorWindow op;
    QVERIFY(op.watchReader(contactReader));
    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only));
    QVERIFY(link.insert(0));
    QTRY_VERIFY(op.atrLabel()->text().startsWith(QLatin1String("ATR: ")));

    op.sendApdu(QStringLiteral("80100001\n").repeated(lines).chopped(1));
    QTRY_VERIFY_WITH_TIMEOUT(link.commandCount() >= 50, 10000);
    op.readers()->setCurrentText(contactlessReader);

    QTRY_COMPARE_WITH_TIMEOUT(op.popups.size(), 1, 10000);
    const QStringList entries = op.popups[0].text.split('\r');
    QCOMPARE(op.popups[0].title, QStringLiteral("APDU Response "));
    QVERIFY(entries.size() < lines);
    QCOMPARE(entries.size(), link.commandCount());
    QCOMPARE(entries.last(), QStringLiteral("APDU Response %1: 009000").arg(entries.size()));
    QTRY_COMPARE(op.atrLabel()->text(), noCard);
    const int sent = link.commandCount();
    QTest::qWait(200);
    QCOMPARE(link.commandCount(), sent);
}

// Every reader choice retires the worker watching and starts another: after 2000 of
// them the process holds the threads, descriptors and, near enough, the memory it held
// after the first.
void TestOperatorWorkers::thousandsOfRestartsLeaveNothingBehind() {
    const int restarts = 2000;
    OperatorWindow op;
    QVERIFY(op.watchReader(contactReader));
    // Once the workers retired on the way have left, only the current one is running.
    QTRY_COMPARE(workerThreadCount(), 1);
    const int threads = threadCount();
    const int descriptors = descriptorCount();
    const qint64 resident = residentKiB();

    const QString readers[] = {contactlessReader, contactReader};
    for (int i = 0; i < restarts; ++i) {
        const int watches = op.debug.count(watchStarted);
        op.readers()->setCurrentText(readers[i % 2]);
        // An operator's next choice comes once the window watches the last one.
        QVERIFY(QTest::qWaitFor([&] { return op.debug.count(watchStarted) > watches; }, 10000));
    }

    QTRY_COMPARE_WITH_TIMEOUT(workerThreadCount(), 1, 10000);
    QCOMPARE(threadCount(), threads);
    QCOMPARE(descriptorCount(), descriptors);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer holds freed memory back to catch late uses; its leak check at exit
    // stands in for this figure.
    Q_UNUSED(resident);
#else
    const qint64 grownKiB = residentKiB() - resident;
    QVERIFY2(grownKiB < 16 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(grownKiB)));
    std::fprintf(stderr, "resident memory grew by %lld KiB over %d restarts\n", grownKiB, restarts);
#endif
}

// Closing the window in the middle of a long typed run: the worker stops after the line
// under way and no worker thread is left once the window is gone.
void TestOperatorWorkers::closedDuringATypedRun() {
    const int lines = 20000;
    auto op = std::make_unique<OperatorWindow>();
    QVERIFY(op->watchReader(contactReader));
    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only));
    QVERIFY(link.insert(0));
    QTRY_VERIFY(op->atrLabel()->text().startsWith(QLatin1String("ATR: ")));
    op->sendApdu(QStringLiteral("80100001\n").repeated(lines).chopped(1));
    QTRY_VERIFY_WITH_TIMEOUT(link.commandCount() >= 50, 10000);

    QElapsedTimer closing;
    closing.start();
    op.reset();
    std::fprintf(stderr, "window gone %lld ms after the close\n", closing.elapsed());

    QVERIFY(!workerThreadsRunning());
    QCOMPARE(workerThreadCount(), 0);
    const int sent = link.commandCount();
    QVERIFY(sent < lines);
    QTest::qWait(200);
    QCOMPARE(link.commandCount(), sent);
}

// A stress test under way when the window closes runs to its end first: the card is left
// formatted, not holding the test application.
void TestOperatorWorkers::closedDuringTheStressTest() {
    auto op = std::make_unique<OperatorWindow>();
    QVERIFY(op->watchReader(contactReader));
    auto card = std::make_shared<vcard::DesfireCard>();
    vcard::VpcdLink link(card);
    QVERIFY(link.insert(0));
    QTRY_VERIFY(op->atrLabel()->text().startsWith(QLatin1String("ATR: ")));
    op->pressDesfire();
    QTRY_VERIFY_WITH_TIMEOUT(link.commandCount() >= 10, 10000); // among the writes

    op.reset();

    QVERIFY(!workerThreadsRunning());
    QCOMPARE(link.commandCount(), 152);
    QCOMPARE(testsupport::lastCommand(link).command, QStringLiteral("90FC000000"));
    bool empty = false;
    link.withCard([&](vcard::VirtualCard &) { empty = card->applicationIds().empty(); });
    QVERIFY(empty);
}

QTEST_MAIN(TestOperatorWorkers)
#include "tst_operator_workers.moc"

// The bounded wait for a busy printer, with the printer's answers and the pauses between
// them made up here.

#include "printer/printer_wait.h"
#include "printer/sdk_api.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

Q_DECLARE_METATYPE(std::optional<std::int32_t>)

class TestPrinterWait : public QObject {
    Q_OBJECT

private slots:
    void wait_data();
    void wait();
    void busyPastTheLimit();
};

void TestPrinterWait::wait_data() {
    QTest::addColumn<QList<int>>("answers");  // the last one repeats
    QTest::addColumn<QList<int>>("pausesMs"); // how long each pause lasts; the last repeats
    QTest::addColumn<bool>("givenUp");        // the front end gives the wait up
    QTest::addColumn<std::optional<std::int32_t>>("result");
    QTest::addColumn<int>("polls");

    const std::optional<std::int32_t> ready = 0;
    const std::optional<std::int32_t> timedOut = sdk::TimedOut;
    QTest::newRow("ready at once") << QList<int>{0} << QList<int>{1} << false << ready << 1;
    QTest::newRow("busy twice, then ready")
        << QList<int>{-1, -1, 0} << QList<int>{1} << false << ready << 3;
    QTest::newRow("a fault ends the wait")
        << QList<int>{-1, -15} << QList<int>{1} << false << std::optional<std::int32_t>(-15) << 2;
    QTest::newRow("given up in the first pause")
        << QList<int>{-1} << QList<int>{1} << true << std::optional<std::int32_t>() << 1;
    // A pause that outlasts the limit, as one does while a message box holds the window:
    // the printer is asked once more, and only its answer decides.
    QTest::newRow("a long pause, then ready")
        << QList<int>{-1, 0} << QList<int>{300} << false << ready << 2;
    QTest::newRow("a long pause, still busy")
        << QList<int>{-1} << QList<int>{300} << false << timedOut << 2;
}

void TestPrinterWait::wait() {
    QFETCH(QList<int>, answers);
    QFETCH(QList<int>, pausesMs);
    QFETCH(bool, givenUp);
    QFETCH(std::optional<std::int32_t>, result);
    QFETCH(int, polls);

    int polled = 0;
    int paused = 0;
    const auto poll = [&] { return answers.value(polled++, answers.last()); };
    const auto pause = [&](std::chrono::milliseconds) {
        QThread::msleep(static_cast<unsigned long>(pausesMs.value(paused++, pausesMs.last())));
        return !givenUp;
    };
    const PrinterWaitLimits limits{std::chrono::milliseconds(1), std::chrono::milliseconds(100)};
    QCOMPARE(waitForPrinter(poll, limits, pause), result);
    QCOMPARE(polled, polls);
    QCOMPARE(paused, polls - (givenUp ? 0 : 1));
}

// "Timed out" comes from an answer the printer gave after the limit, not before.
void TestPrinterWait::busyPastTheLimit() {
    QElapsedTimer clock;
    qint64 lastPollMs = -1;
    const auto poll = [&] {
        lastPollMs = clock.elapsed();
        return std::int32_t(sdk::TimedOut);
    };
    const auto pause = [](std::chrono::milliseconds length) {
        QThread::msleep(static_cast<unsigned long>(length.count()));
        return true;
    };
    clock.start();
    const PrinterWaitLimits limits{std::chrono::milliseconds(5), std::chrono::milliseconds(60)};
    QCOMPARE(waitForPrinter(poll, limits, pause), std::optional<std::int32_t>(sdk::TimedOut));
    QVERIFY2(lastPollMs >= 60, qPrintable(QString::number(lastPollMs)));
}

QTEST_APPLESS_MAIN(TestPrinterWait)
#include "tst_printer_wait.moc"

#include "ui/mainwindow.h"
#include "ui/worker_threads.h"
#include "window_probes.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <memory>

class MainWindowShutdownTest : public QObject {
    Q_OBJECT

private slots:
    void retiredThreadsAreDeletedOnceFinished();
    void shutdownStopsAWorkerInItsCardWatch();
    void shutdownWaitsOnlySoLongForAWorkerThatKeepsGoing_data();
    void shutdownWaitsOnlySoLongForAWorkerThatKeepsGoing();
};

static void clickRefresh(MainWindow &window) {
    QTest::mouseClick(window.findChild<QPushButton *>("btn_refresh"), Qt::LeftButton);
}

void MainWindowShutdownTest::retiredThreadsAreDeletedOnceFinished() {
    MainWindow window;
    QPointer<QThread> first = workerThread;
    auto busy = occupyUntilInterrupted(first);
    QVERIFY(busy->waitUntilStarted());

    clickRefresh(window);
    QPointer<QThread> second = workerThread;
    clickRefresh(window);

    QVERIFY(busy->waitUntilEnded());
    QTRY_VERIFY(first.isNull());
    QTRY_VERIFY(second.isNull());
    QVERIFY(workerThread);
    QVERIFY(workerThread->isRunning());
}

// The card watch leaves on the interruption request, so shutdown can wait for it.
void MainWindowShutdownTest::shutdownStopsAWorkerInItsCardWatch() {
    auto window = std::make_unique<MainWindow>();
    QPointer<QThread> thread = workerThread;
    auto busy = occupyUntilInterrupted(thread);
    QVERIFY(busy->waitUntilStarted());

    window.reset();

    QVERIFY(busy->sawInterruption);
    QVERIFY(thread.isNull());
    QCOMPARE(workerThread, nullptr);
}

void MainWindowShutdownTest::shutdownWaitsOnlySoLongForAWorkerThatKeepsGoing_data() {
    QTest::addColumn<bool>("retiredFirst");
    QTest::newRow("current worker") << false;
    QTest::newRow("retired worker") << true;
}

// A slot that ignores the request must neither hold the window's destructor for ever nor
// have its running thread destroyed under it.
void MainWindowShutdownTest::shutdownWaitsOnlySoLongForAWorkerThatKeepsGoing() {
    QFETCH(bool, retiredFirst);

    auto window = std::make_unique<MainWindow>();
    QPointer<QThread> stubborn = workerThread;
    auto busy = occupyUntilReleased(stubborn);
    QVERIFY(busy->waitUntilStarted());
    QPointer<QThread> current = workerThread;
    if (retiredFirst) {
        clickRefresh(*window);
        current = workerThread;
    }

    window.reset();

    QVERIFY(!busy->ended.available());
    QVERIFY(stubborn);
    QVERIFY(stubborn->isRunning());
    QVERIFY(stubborn->isInterruptionRequested());
    if (retiredFirst)
        QTRY_VERIFY(current.isNull());

    busy->release.release();
    QVERIFY(busy->waitUntilEnded());
    QVERIFY(busy->sawInterruption);
    QTRY_VERIFY(stubborn.isNull());
}

QTEST_MAIN(MainWindowShutdownTest)
#include "tst_mainwindow_shutdown.moc"

// The simulated SDK's own promises, which the printer tests rely on: misuse answers
// the SDK's codes instead of crashing, and a failed open leaves the handle alone.

#include "printer/sdk_api.h"

#include <QLibrary>
#include <QtTest>

#include <functional>

using SessionCall = std::function<std::int32_t(std::uint32_t session)>;
Q_DECLARE_METATYPE(SessionCall)

class TestPrinterSdkSim : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void misuse_data();
    void misuse();
    void failedOpenLeavesTheHandle_data();
    void failedOpenLeavesTheHandle();

private:
    template <typename Function> Function *resolve(const char *name) {
        return reinterpret_cast<Function *>(sdk.resolve(name));
    }
    std::uint32_t open();

    QLibrary sdk{QStringLiteral("VantorelAPI")};
};

namespace {
ID_OpenSession_t *openSession;
ID_PrinterType_t *printerType;
ID_SmartMode_t *smartMode;
ID_FeedCard_t *feedCard;
ID_WaitForPrinter_t *waitForPrinter;
ID_MoveCard_t *moveCard;
ID_EjectCard_t *ejectCard;
ID_CloseSession_t *closeSession;
} // namespace

void TestPrinterSdkSim::initTestCase() {
    QVERIFY2(sdk.load(), qPrintable(sdk.errorString()));
    openSession = resolve<ID_OpenSession_t>("ID_OpenSession");
    printerType = resolve<ID_PrinterType_t>("ID_PrinterType");
    smartMode = resolve<ID_SmartMode_t>("ID_SmartMode");
    feedCard = resolve<ID_FeedCard_t>("ID_FeedCard");
    waitForPrinter = resolve<ID_WaitForPrinter_t>("ID_WaitForPrinter");
    moveCard = resolve<ID_MoveCard_t>("ID_MoveCard");
    ejectCard = resolve<ID_EjectCard_t>("ID_EjectCard");
    closeSession = resolve<ID_CloseSession_t>("ID_CloseSession");
    QVERIFY(openSession && printerType && smartMode && feedCard && waitForPrinter && moveCard &&
            ejectCard && closeSession);
}

void TestPrinterSdkSim::init() {
    qunsetenv("VANTOREL_SIM_RESULT_ID_OpenSession");
}

std::uint32_t TestPrinterSdkSim::open() {
    std::uint32_t session = 0;
    return openSession("Vantorel_Sim", &session, 0) == 0 ? session : 0;
}

void TestPrinterSdkSim::misuse_data() {
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<SessionCall>("call");
    QTest::addColumn<int>("expected");

    std::uint8_t contact = 0, nowhere = 5;
    const auto wrongHandle = [](std::uint32_t s) { return s + 1; };
    QTest::newRow("type, unknown handle")
        << QByteArray("1")
        << SessionCall([=](std::uint32_t s) { return printerType(wrongHandle(s)); }) << -12;
    QTest::newRow("wait, unknown handle")
        << QByteArray("1")
        << SessionCall([=](std::uint32_t s) { return waitForPrinter(wrongHandle(s)); }) << -12;
    QTest::newRow("feed, handle 0")
        << QByteArray("1") << SessionCall([](std::uint32_t) { return feedCard(0, 0, 0); }) << -12;
    QTest::newRow("close twice") << QByteArray("1") << SessionCall([](std::uint32_t s) {
        closeSession(s);
        return closeSession(s);
    }) << -12;
    QTest::newRow("smart mode 2") << QByteArray("1") << SessionCall([=](std::uint32_t s) mutable {
        return smartMode(s, 2, &contact);
    }) << -11;
    QTest::newRow("smart mode, no station")
        << QByteArray("1") << SessionCall([](std::uint32_t s) { return smartMode(s, 1, nullptr); })
        << -11;
    QTest::newRow("smart mode, station 5")
        << QByteArray("1")
        << SessionCall([=](std::uint32_t s) mutable { return smartMode(s, 1, &nowhere); }) << -11;
    QTest::newRow("feed station 2")
        << QByteArray("1") << SessionCall([](std::uint32_t s) { return feedCard(s, 2, 0); }) << -11;
    QTest::newRow("feed, reserved 1")
        << QByteArray("1") << SessionCall([](std::uint32_t s) { return feedCard(s, 0, 1); }) << -11;
    QTest::newRow("move to 7") << QByteArray("3")
                               << SessionCall([](std::uint32_t s) { return moveCard(s, 7); })
                               << -11;
    QTest::newRow("move on type 1")
        << QByteArray("1") << SessionCall([](std::uint32_t s) { return moveCard(s, 5); }) << -14;
    QTest::newRow("smart mode on type 3")
        << QByteArray("3")
        << SessionCall([=](std::uint32_t s) mutable { return smartMode(s, 1, &contact); }) << -14;
    QTest::newRow("eject on type 4")
        << QByteArray("4") << SessionCall([](std::uint32_t s) { return ejectCard(s); }) << -14;
    QTest::newRow("open again") << QByteArray("1") << SessionCall([](std::uint32_t) {
        std::uint32_t second = 0;
        return openSession("Vantorel_Sim", &second, 0);
    }) << -9;
    QTest::newRow("open, no handle address") << QByteArray("1") << SessionCall([](std::uint32_t) {
        return openSession("Vantorel_Sim", nullptr, 0);
    }) << -11;
    QTest::newRow("wait with nothing moving")
        << QByteArray("1") << SessionCall([](std::uint32_t s) { return waitForPrinter(s); }) << 0;
}

void TestPrinterSdkSim::misuse() {
    QFETCH(QByteArray, type);
    QFETCH(SessionCall, call);
    QFETCH(int, expected);

    qputenv("VANTOREL_SIM_PRINTER_TYPE", type);
    const std::uint32_t session = open();
    QVERIFY(session != 0);
    QCOMPARE(int(sdk::resultCode(call(session))), expected);
    closeSession(session);
}

void TestPrinterSdkSim::failedOpenLeavesTheHandle_data() {
    QTest::addColumn<QByteArray>("printer"); // empty: null
    QTest::addColumn<QByteArray>("injected");
    QTest::addColumn<int>("expected");

    QTest::newRow("unknown printer") << QByteArray("Office_Laser") << QByteArray() << -5;
    QTest::newRow("no printer") << QByteArray() << QByteArray() << -5;
    QTest::newRow("injected -4") << QByteArray("Vantorel_Sim") << QByteArray("-4") << -4;
}

void TestPrinterSdkSim::failedOpenLeavesTheHandle() {
    QFETCH(QByteArray, printer);
    QFETCH(QByteArray, injected);
    QFETCH(int, expected);

    if (!injected.isEmpty())
        qputenv("VANTOREL_SIM_RESULT_ID_OpenSession", injected);
    std::uint32_t session = 0;
    QCOMPARE(int(sdk::resultCode(
                 openSession(printer.isEmpty() ? nullptr : printer.constData(), &session, 0))),
             expected);
    QCOMPARE(session, 0u);
}

QTEST_MAIN(TestPrinterSdkSim)
#include "tst_printer_sdk_sim.moc"

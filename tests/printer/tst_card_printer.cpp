// CardPrinter on its own, against the simulated SDK (no card, so no reader is touched):
// what each motion answers its caller and what it leaves to the front end, which here
// records everything it is told.

#include "printer/card_printer.h"
#include "printer/printer_state.h"
#include "printer/sdk_api.h"
#include "printer/sdk_library.h"

#include <QtTest>

namespace {

struct RecordingFrontEnd : PrinterFrontEnd {
    void exportMissing(const char *exportName, const char *) override {
        events << QStringLiteral("missing %1").arg(QLatin1String(exportName));
    }
    void sdkFailed(std::int32_t result) override {
        events << QStringLiteral("failed %1").arg(int(sdk::resultCode(result)));
    }
    void sessionNeeded() override {
        events << QStringLiteral("session needed");
        if (opensOnDemand)
            printer->openSession(QStringLiteral("Vantorel_Sim"));
        if (failsLeavingHandle) {
            printer->openSession(QStringLiteral("No_Such_Printer"));
            // What an SDK that writes the handle before it fails leaves behind.
            sessionHandle = 0x5EED;
        }
    }
    bool pauseWhileBusy(std::chrono::milliseconds) override {
        ++pauses;
        return pauses <= pausesBeforeGivingUp;
    }
    void busyWaitEnded() override { events << QStringLiteral("wait ended"); }

    CardPrinter *printer = nullptr;
    bool opensOnDemand = false;
    bool failsLeavingHandle = false;
    int pausesBeforeGivingUp = 1000;
    int pauses = 0;
    QStringList events;
};

using Motion = bool (CardPrinter::*)();

Motion motion(const QString &name) {
    if (name == QLatin1String("contact"))
        return &CardPrinter::cardToContact;
    if (name == QLatin1String("contactless"))
        return &CardPrinter::cardToContactless;
    return &CardPrinter::ejectCard;
}

} // namespace

class TestCardPrinter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void motions_data();
    void motions();
    void sessionOnDemand_data();
    void sessionOnDemand();

private:
    RecordingFrontEnd frontEnd_;
    std::unique_ptr<CardPrinter> printer_;
};

void TestCardPrinter::initTestCase() {
    loadSdkLibrary();
    QVERIFY2(sdkLibrary, "libVantorelAPI.so not found on LD_LIBRARY_PATH");
}

void TestCardPrinter::init() {
    for (const char *name :
         {"VANTOREL_SIM_PRINTER_TYPE", "VANTOREL_SIM_WAIT_BUSY", "VANTOREL_SIM_RESULT_ID_FeedCard",
          "VANTOREL_SIM_RESULT_ID_MoveCard", "VANTOREL_SIM_RESULT_ID_WaitForPrinter"})
        qunsetenv(name);
    frontEnd_ = RecordingFrontEnd();
    printer_ = std::make_unique<CardPrinter>(frontEnd_);
    frontEnd_.printer = printer_.get();
    sessionHandle = 0;
    printerType = 0;
}

void TestCardPrinter::cleanup() {
    printer_->closeSession();
}

void TestCardPrinter::motions_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("settings"); // NAME=value for the simulator
    QTest::addColumn<int>("pausesBeforeGivingUp");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("pauses");

    const QStringList waited{"wait ended"};
    QTest::newRow("contact") << "contact"
                             << "1" << QStringList() << 1000 << true << waited << 0;
    QTest::newRow("eject, printer busy twice")
        << "eject"
        << "1" << QStringList{"VANTOREL_SIM_WAIT_BUSY=2"} << 1000 << true << waited << 2;
    QTest::newRow("contactless, moved directly")
        << "contactless"
        << "3" << QStringList() << 1000 << true << QStringList() << 0;
    QTest::newRow("feed refused") << "contact"
                                  << "1" << QStringList{"VANTOREL_SIM_RESULT_ID_FeedCard=-3"}
                                  << 1000 << false << QStringList{"failed -3"} << 0;
    QTest::newRow("move refused") << "eject"
                                  << "4" << QStringList{"VANTOREL_SIM_RESULT_ID_MoveCard=-6"}
                                  << 1000 << false << QStringList{"failed -6"} << 0;
    QTest::newRow("printer fault ends the wait")
        << "contactless"
        << "1" << QStringList{"VANTOREL_SIM_RESULT_ID_WaitForPrinter=-15"} << 1000 << false
        << QStringList{"wait ended", "failed -15"} << 0;
    QTest::newRow("wait given up: nothing reported")
        << "contact"
        << "1" << QStringList{"VANTOREL_SIM_WAIT_BUSY=forever"} << 3 << false << waited << 4;
    QTest::newRow("call family the printer refuses")
        << "contact"
        << "1" << QStringList{"VANTOREL_SIM_PRINTER_TYPE=4"} << 1000 << false
        << QStringList{"failed -14"} << 0;
}

// True only when the card got there; every failure is handed to the front end, a wait
// given up is not; the end of a wait is said once, however it ended.
void TestCardPrinter::motions() {
    QFETCH(QString, operation);
    QFETCH(QString, type);
    QFETCH(QStringList, settings);
    QFETCH(int, pausesBeforeGivingUp);
    QFETCH(bool, moved);
    QFETCH(QStringList, events);
    QFETCH(int, pauses);

    qputenv("VANTOREL_SIM_PRINTER_TYPE", type.toUtf8());
    QVERIFY(printer_->openSession(QStringLiteral("Vantorel_Sim")));
    for (const QString &setting : settings)
        qputenv(setting.section('=', 0, 0).toUtf8(), setting.section('=', 1).toUtf8());
    frontEnd_.pausesBeforeGivingUp = pausesBeforeGivingUp;

    QCOMPARE((printer_.get()->*motion(operation))(), moved);
    QCOMPARE(frontEnd_.events, events);
    QCOMPARE(frontEnd_.pauses, pauses);
}

void TestCardPrinter::sessionOnDemand_data() {
    QTest::addColumn<bool>("opensOnDemand");
    QTest::addColumn<bool>("failsLeavingHandle");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("front end opens one")
        << true << false << "1" << true << QStringList{"session needed", "wait ended"};
    QTest::newRow("front end opens none")
        << false << false << "1" << false << QStringList{"session needed"};
    // The motion must not go on with the handle of a session that did not open, which
    // the SDK would refuse (-12) or, worse, take for another session.
    QTest::newRow("open fails, a handle left behind")
        << false << true << "1" << false << QStringList{"session needed", "failed -5"};
    QTest::newRow("open fails, a handle left behind, moved directly")
        << false << true << "3" << false << QStringList{"session needed", "failed -5"};
}

void TestCardPrinter::sessionOnDemand() {
    QFETCH(bool, opensOnDemand);
    QFETCH(bool, failsLeavingHandle);
    QFETCH(QString, type);
    QFETCH(bool, moved);
    QFETCH(QStringList, events);
    qputenv("VANTOREL_SIM_PRINTER_TYPE", type.toUtf8());
    printerType = quint8(type.toInt());
    frontEnd_.opensOnDemand = opensOnDemand;
    frontEnd_.failsLeavingHandle = failsLeavingHandle;
    QCOMPARE(printer_->cardToContactless(), moved);
    QCOMPARE(frontEnd_.events, events);
    sessionHandle = moved ? sessionHandle : 0;
}

QTEST_GUILESS_MAIN(TestCardPrinter)
#include "tst_card_printer.moc"

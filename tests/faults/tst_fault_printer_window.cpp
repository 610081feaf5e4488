// Printer faults seen from the window: the SDK without one export (or none at all),
// and a printer wait that never ends. Afterwards the window must still watch its reader
// and send typed APDUs. A process loads the SDK library once, so each missing export
// runs in a child process of this program ("operate"), whose LD_LIBRARY_PATH offers
// the simulated SDK built without it.

#include "fake_printer_platform.h"
#include "operator_window.h"

#include "iso_card.h"
#include "pcsc_test_support.h"
#include "printer/printer_control.h"
#include "printer/sdk_api.h"
#include "printer/sdk_errors.h"
#include "ui/mainwindow.h"
#include "vpcd_link.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const int readerSlot = 0;
const QString typedCommand = QStringLiteral("80100002");
const QString typedAnswer = QStringLiteral("APDU Response 1: 00019000");

void trigger(OperatorWindow &op, const QString &action) {
    op.window().findChild<QAction *>(action)->trigger();
}

// The operator's next steps after a printer fault: pick the contact reader, have a card
// identified there, send a typed command and read its answer. Empty when all went well.
QString windowStillWorks(OperatorWindow &op) {
    if (!op.watchReader(reader))
        return QStringLiteral("the reader is not watched");
    vcard::VpcdLink card(std::make_shared<vcard::IsoCard>());
    if (!card.insert(readerSlot))
        return QStringLiteral("no vpcd");
    if (!QTest::qWaitFor([&] { return op.atrLabel()->text().startsWith(QLatin1String("ATR: ")); },
                         10000))
        return QStringLiteral("card not identified: ") + op.atrLabel()->text();
    op.popups.clear();
    op.sendApdu(typedCommand);
    if (!QTest::qWaitFor([&] { return !op.popups.isEmpty(); }, 10000))
        return QStringLiteral("no answer to Send");
    if (op.popups[0].text != typedAnswer)
        return QStringLiteral("answer: ") + op.popups[0].text;
    return {};
}

// The child: runs the named menu actions, then the operator's next steps. Standard
// output carries the program's console lines; the verdict goes to standard error.
int operate(const QStringList &actions) {
    OperatorWindow op(std::make_unique<FakePrinterPlatform>());
    for (const QString &action : actions)
        trigger(op, action);
    std::fprintf(stderr, "operate:label=%s\n", qPrintable(op.atrLabel()->text()));
    const QString failure = windowStillWorks(op);
    std::fprintf(stderr, "operate:%s\n", failure.isEmpty() ? "works" : qPrintable(failure));
    return 0;
}

} // namespace

class TestFaultPrinterWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingExport_data();
    void missingExport();
    void printerWaitThatNeverEnds_data();
    void printerWaitThatNeverEnds();
};

void TestFaultPrinterWindow::init() {
    QUORVANE_REQUIRE_PCSC();
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
}

void TestFaultPrinterWindow::cleanup() {
    qunsetenv("VANTOREL_SIM_WAIT_BUSY");
}

void TestFaultPrinterWindow::missingExport_data() {
    QTest::addColumn<QString>("missing"); // "library": no SDK at all
    QTest::addColumn<QString>("printerType");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QString>("consoleLine");
    QTest::addColumn<QString>("label");

    const QString contact = QStringLiteral("actionCard_to_Contact");
    const QString contactless = QStringLiteral("actionCard_to_Contactless");
    const QString eject = QStringLiteral("actionEject_Card");
    const QString disconnect = QStringLiteral("actionDisconnect_from_Printer");
    QTest::newRow("ID_OpenSession")
        << "ID_OpenSession"
        << "1" << QStringList{contact} << "Couldn't open session" << QString();
    QTest::newRow("ID_PrinterType") << "ID_PrinterType"
                                    << "3" << QStringList{contact}
                                    << "Couldn't read printer type"
                                    // the type stays unknown, so the feed path meets a
                                    // printer that only moves cards
                                    << sdkErrorText(sdk::InvalidForPrinterType);
    QTest::newRow("ID_SmartMode") << "ID_SmartMode"
                                  << "1" << QStringList{contact} << "Can't launch Contact"
                                  << QString();
    QTest::newRow("ID_FeedCard") << "ID_FeedCard"
                                 << "1" << QStringList{contactless} << "Can't launch Contactless"
                                 << QString();
    QTest::newRow("ID_WaitForPrinter")
        << "ID_WaitForPrinter"
        << "1" << QStringList{eject} << "Can't Wait For Printer" << QString();
    QTest::newRow("ID_MoveCard") << "ID_MoveCard"
                                 << "3" << QStringList{contact} << "Can't launch Contact"
                                 << QString();
    QTest::newRow("ID_EjectCard") << "ID_EjectCard"
                                  << "1" << QStringList{eject} << "Can't Eject" << QString();
    QTest::newRow("ID_CloseSession")
        << "ID_CloseSession"
        << "1" << QStringList{contact, disconnect} << "Can't Close Session" << QString();
    QTest::newRow("no library") << "library"
                                << "1" << QStringList{contact, eject, disconnect}
                                << "Can't launch Contact" << QString();
}

void TestFaultPrinterWindow::missingExport() {
    QFETCH(QString, missing);
    QFETCH(QString, printerType);
    QFETCH(QStringList, actions);
    QFETCH(QString, consoleLine);
    QFETCH(QString, label);

    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       missing == QLatin1String("library")
                           ? empty.path()
                           : QStringLiteral(VARIANTS_DIR "/") + missing);
    environment.insert(QStringLiteral("VANTOREL_SIM_CARD"), QStringLiteral("none"));
    environment.insert(QStringLiteral("VANTOREL_SIM_PRINTER_TYPE"), printerType);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("operate")} + actions);
    QVERIFY(child.waitForFinished(60000));
    const QString errors = QString::fromUtf8(child.readAllStandardError());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             qPrintable(errors));

    const QStringList console =
        QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(console.contains(consoleLine), qPrintable(console.join(" | ")));
    QStringList verdict;
    for (const QString &line : errors.split('\n'))
        if (line.startsWith(QLatin1String("operate:")))
            verdict << line.mid(8);
    QCOMPARE(verdict, (QStringList{"label=" + label, "works"}));
}

void TestFaultPrinterWindow::printerWaitThatNeverEnds_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("given up at the limit") << false;
    QTest::newRow("cancelled by the operator") << true;
}

// While the wait lasts the worker's reports still reach the window (a card put in the
// watched reader is identified behind the progress dialog); the wait ends with the
// time-out text or silently on Cancel, and the window works as before.
void TestFaultPrinterWindow::printerWaitThatNeverEnds() {
    QFETCH(bool, cancel);

    qputenv("VANTOREL_SIM_CARD", "none");
    qputenv("VANTOREL_SIM_PRINTER_TYPE", "1");
    qputenv("VANTOREL_SIM_WAIT_BUSY", "forever");
    OperatorWindow op(std::make_unique<FakePrinterPlatform>());
    auto *printer = op.window().findChild<PrinterControl *>();
    QVERIFY(printer);
    if (!cancel)
        printer->setWaitLimits({std::chrono::milliseconds(100), std::chrono::milliseconds(8000)});
    QVERIFY(op.watchReader(reader));

    vcard::VpcdLink card(std::make_shared<vcard::IsoCard>(vcard::atrs::t0Only));
    bool identifiedDuringWait = false;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        auto *progress = op.window().findChild<QProgressDialog *>();
        if (!progress || !progress->isVisible())
            return;
        if (!card.inserted())
            QVERIFY(card.insert(readerSlot));
        identifiedDuringWait = identifiedDuringWait ||
                               op.atrLabel()->text().startsWith(QLatin1String("ATR: 3B021450"));
        if (identifiedDuringWait && cancel)
            progress->cancel();
    });
    operatorHand.start(50);
    trigger(op, QStringLiteral("actionCard_to_Contact"));
    operatorHand.stop();

    QVERIFY(identifiedDuringWait);
    if (cancel)
        QVERIFY(op.atrLabel()->text().startsWith(QLatin1String("ATR: 3B021450")));
    else
        QCOMPARE(op.atrLabel()->text(), sdkErrorText(sdk::TimedOut));
    card.remove();
    QTRY_COMPARE(op.atrLabel()->text(), QStringLiteral("No smart card inserted."));
    trigger(op, QStringLiteral("actionDisconnect_from_Printer"));
    qunsetenv("VANTOREL_SIM_WAIT_BUSY");
    QCOMPARE(windowStillWorks(op), QString());
}

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "operate") == 0)
        return operate(application.arguments().mid(2));
    TestFaultPrinterWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fault_printer_window.moc"

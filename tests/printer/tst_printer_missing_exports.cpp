// Each case runs printer_probe in a child process whose LD_LIBRARY_PATH offers the
// simulated SDK built without one export (or no SDK at all), since a process loads the
// SDK library once. The child's standard output holds its console lines.

#include "printer/sdk_api.h"
#include "printer/sdk_errors.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestPrinterMissingExports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void operations_data();
    void operations();

private:
    QTemporaryDir dir;
};

void TestPrinterMissingExports::initTestCase() {
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("empty")));
}

void TestPrinterMissingExports::operations_data() {
    QTest::addColumn<QString>("sdk"); // "full", "none" or the missing export
    QTest::addColumn<QString>("simType");
    QTest::addColumn<QString>("operations");
    QTest::addColumn<QStringList>("expectedConsole");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<int>("shownCode");
    QTest::addColumn<int>("expectedType");
    QTest::addColumn<bool>("sessionOpen");
    QTest::addColumn<int>("choices");

    const QString open = QStringLiteral("ID_OpenSession \"Vantorel_Sim\" *0 0");
    const QString type = QStringLiteral("ID_PrinterType 1");
    const QStringList none;

    QTest::newRow("full SDK: contact") << "full"
                                       << "1"
                                       << "open contact" << none
                                       << QStringList{open, type, "ID_SmartMode 1 1 *0",
                                                      "ID_FeedCard 1 0 0", "ID_WaitForPrinter 1"}
                                       << 0 << 1 << true << 1;

    QTest::newRow("no ID_OpenSession: open")
        << "ID_OpenSession"
        << "1"
        << "open" << QStringList{"Couldn't open session"} << none << 0 << 0 << false << 1;
    QTest::newRow("no ID_OpenSession: contact asks once")
        << "ID_OpenSession"
        << "1"
        << "contact" << QStringList{"Couldn't open session"} << none << 0 << 0 << false << 1;
    QTest::newRow("no ID_OpenSession: eject asks once")
        << "ID_OpenSession"
        << "1"
        << "eject" << QStringList{"Couldn't open session"} << none << 0 << 0 << false << 1;

    QTest::newRow("no ID_PrinterType: type unchanged, so the feed path is taken")
        << "ID_PrinterType"
        << "3"
        << "open contact" << QStringList{"Couldn't read printer type"}
        << QStringList{open, "ID_SmartMode 1 1 *0"} << int(sdk::InvalidForPrinterType) << 0 << true
        << 1;

    QTest::newRow("no ID_SmartMode: contact")
        << "ID_SmartMode"
        << "1"
        << "open contact" << QStringList{"Can't launch Contact"} << QStringList{open, type} << 0
        << 1 << true << 1;
    QTest::newRow("no ID_SmartMode: contactless, before any session")
        << "ID_SmartMode"
        << "1"
        << "contactless" << QStringList{"Can't launch Contactless"} << none << 0 << 0 << false << 0;

    QTest::newRow("no ID_FeedCard: contact")
        << "ID_FeedCard"
        << "1"
        << "open contact" << QStringList{"Can't launch Contact"}
        << QStringList{open, type, "ID_SmartMode 1 1 *0"} << 0 << 1 << true << 1;
    QTest::newRow("no ID_FeedCard: contactless opens on demand")
        << "ID_FeedCard"
        << "1"
        << "contactless" << QStringList{"Can't launch Contactless"}
        << QStringList{open, type, "ID_SmartMode 1 1 *1"} << 0 << 1 << true << 1;

    QTest::newRow("no ID_WaitForPrinter: contact")
        << "ID_WaitForPrinter"
        << "1"
        << "open contact" << QStringList{"Can't Wait For Printer"}
        << QStringList{open, type, "ID_SmartMode 1 1 *0", "ID_FeedCard 1 0 0"} << 0 << 1 << true
        << 1;
    QTest::newRow("no ID_WaitForPrinter: eject")
        << "ID_WaitForPrinter"
        << "1"
        << "open eject" << QStringList{"Can't Wait For Printer"}
        << QStringList{open, type, "ID_EjectCard 1"} << 0 << 1 << true << 1;

    QTest::newRow("no ID_MoveCard, type 3: contact")
        << "ID_MoveCard"
        << "3"
        << "open contact" << QStringList{"Can't launch Contact"} << QStringList{open, type} << 0
        << 3 << true << 1;
    QTest::newRow("no ID_MoveCard, type 3: contactless")
        << "ID_MoveCard"
        << "3"
        << "open contactless" << QStringList{"Can't launch Contactless"} << QStringList{open, type}
        << 0 << 3 << true << 1;
    QTest::newRow("no ID_MoveCard, type 4: eject")
        << "ID_MoveCard"
        << "4"
        << "open eject" << QStringList{"Can't Eject"} << QStringList{open, type} << 0 << 4 << true
        << 1;
    QTest::newRow("no ID_MoveCard, type 1: contact needs none")
        << "ID_MoveCard"
        << "1"
        << "open contact" << none
        << QStringList{open, type, "ID_SmartMode 1 1 *0", "ID_FeedCard 1 0 0",
                       "ID_WaitForPrinter 1"}
        << 0 << 1 << true << 1;

    QTest::newRow("no ID_EjectCard: eject, before any session")
        << "ID_EjectCard"
        << "1"
        << "eject" << QStringList{"Can't Eject"} << none << 0 << 0 << false << 0;
    QTest::newRow("no ID_EjectCard, type 4: eject needs none")
        << "ID_EjectCard"
        << "4"
        << "open eject" << none << QStringList{open, type, "ID_MoveCard 1 6"} << 0 << 4 << true
        << 1;

    QTest::newRow("no ID_CloseSession: close without a session")
        << "ID_CloseSession"
        << "1"
        << "close" << QStringList{"Can't Close Session"} << none << 0 << 0 << false << 0;
    QTest::newRow("no ID_CloseSession: the session stays")
        << "ID_CloseSession"
        << "1"
        << "open close" << QStringList{"Can't Close Session"} << QStringList{open, type} << 0 << 1
        << true << 1;

    QTest::newRow("no library: eject")
        << "none"
        << "1"
        << "eject" << QStringList{"Can't Eject"} << none << 0 << 0 << false << 0;
    QTest::newRow("no library: contact, no printer choice")
        << "none"
        << "1"
        << "contact" << QStringList{"Can't launch Contact"} << none << 0 << 0 << false << 0;
    QTest::newRow("no library: contactless")
        << "none"
        << "1"
        << "contactless" << QStringList{"Can't launch Contactless"} << none << 0 << 0 << false << 0;
    QTest::newRow("no library: open")
        << "none"
        << "1"
        << "open" << QStringList{"Couldn't open session"} << none << 0 << 0 << false << 1;
    QTest::newRow("no library: close")
        << "none"
        << "1"
        << "close" << QStringList{"Can't Close Session"} << none << 0 << 0 << false << 0;
    QTest::newRow("no library: one line per operation")
        << "none"
        << "1"
        << "eject open close"
        << QStringList{"Can't Eject", "Couldn't open session", "Can't Close Session"} << none << 0
        << 0 << false << 1;
    QTest::newRow("library only in the working directory: not loaded")
        << "cwd"
        << "1"
        << "open" << QStringList{"Couldn't open session"} << none << 0 << 0 << false << 1;
}

void TestPrinterMissingExports::operations() {
    QFETCH(QString, sdk);
    QFETCH(QString, simType);
    QFETCH(QString, operations);
    QFETCH(QStringList, expectedConsole);
    QFETCH(QStringList, expectedCalls);
    QFETCH(int, shownCode);
    QFETCH(int, expectedType);
    QFETCH(bool, sessionOpen);
    QFETCH(int, choices);

    const QString log = dir.filePath(QStringLiteral("calls.log"));
    QFile::remove(log);
    QString libraryDir = dir.filePath(QStringLiteral("empty"));
    if (sdk == QLatin1String("full"))
        libraryDir = QStringLiteral(FULL_SDK_DIR);
    else if (sdk != QLatin1String("none") && sdk != QLatin1String("cwd"))
        libraryDir = QStringLiteral(VARIANTS_DIR "/") + sdk;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryDir);
    environment.insert(QStringLiteral("VANTOREL_SIM_CARD"), QStringLiteral("none"));
    environment.insert(QStringLiteral("VANTOREL_SIM_PRINTER_TYPE"), simType);
    environment.insert(QStringLiteral("VANTOREL_SIM_LOG"), log);
    QProcess probe;
    probe.setProcessEnvironment(environment);
    if (sdk == QLatin1String("cwd"))
        probe.setWorkingDirectory(QStringLiteral(FULL_SDK_DIR));
    probe.start(QStringLiteral(PRINTER_PROBE), operations.split(QLatin1Char(' ')));
    QVERIFY(probe.waitForFinished(30000));
    const QString errors = QString::fromUtf8(probe.readAllStandardError());
    QVERIFY2(probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0,
             qPrintable(errors));

    QStringList outcome;
    for (const QString &line : errors.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("probe:")))
            outcome << line.mid(6);
    QStringList calls;
    QFile logFile(log);
    if (logFile.open(QIODevice::ReadOnly))
        calls = QString::fromUtf8(logFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput())
                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             expectedConsole);
    QCOMPARE(calls, expectedCalls);
    QCOMPARE(outcome, (QStringList{"label=" + (shownCode ? sdkErrorText(shownCode) : QString()),
                                   "printerType=" + QString::number(expectedType),
                                   sessionOpen ? "session=open" : "session=none",
                                   "choices=" + QString::number(choices)}));
}

QTEST_MAIN(TestPrinterMissingExports)
#include "tst_printer_missing_exports.moc"

// The command line as the program reads it: what each command takes, the values it
// checks, and the one-line errors of everything else.

#include "cli/command_line.h"

#include <QtTest>

Q_DECLARE_METATYPE(CliCommand)

namespace {

ParsedCommandLine parse(const QString &line) {
    return parseCommandLine(QStringList{QStringLiteral("quorvane-cli")} +
                            QProcess::splitCommand(line));
}

} // namespace

class TestCliCommandLine : public QObject {
    Q_OBJECT

private slots:
    void helpAndVersion_data();
    void helpAndVersion();
    void requests();
    void usageErrors_data();
    void usageErrors();
};

void TestCliCommandLine::helpAndVersion_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kind");
    QTest::newRow("--help") << "--help" << int(ParsedCommandLine::Help);
    QTest::newRow("-h after a command") << "desfire-test -h" << int(ParsedCommandLine::Help);
    QTest::newRow("--version") << "--version" << int(ParsedCommandLine::Version);
}

void TestCliCommandLine::helpAndVersion() {
    QFETCH(QString, line);
    QFETCH(int, kind);
    QCOMPARE(int(parse(line).kind), kind);
}

void TestCliCommandLine::requests() {
    ParsedCommandLine parsed = parse(QStringLiteral("readers"));
    QCOMPARE(int(parsed.kind), int(ParsedCommandLine::Run));
    QCOMPARE(parsed.request.command, CliCommand::Readers);

    parsed = parse(QStringLiteral("identify -r \"Virtual PCD 00 00\" --timeout 0.25"));
    QCOMPARE(int(parsed.kind), int(ParsedCommandLine::Run));
    QCOMPARE(parsed.request.command, CliCommand::Identify);
    QCOMPARE(parsed.request.reader, QStringLiteral("Virtual PCD 00 00"));
    QCOMPARE(parsed.request.cardTimeout.count(), 250);

    parsed = parse(QStringLiteral("apdu --t1 --reader=R"));
    QCOMPARE(parsed.request.command, CliCommand::Apdu);
    QVERIFY(parsed.request.t1 && !parsed.request.t0);
    QCOMPARE(parsed.request.apduFile, QStringLiteral("-")); // standard input by default
    QCOMPARE(parsed.request.cardTimeout.count(), 10000);
    QCOMPARE(parse(QStringLiteral("apdu -")).request.apduFile, QStringLiteral("-"));
    QCOMPARE(parse(QStringLiteral("apdu lines.txt --t0")).request.apduFile,
             QStringLiteral("lines.txt"));

    parsed = parse(QStringLiteral("desfire-test"));
    QCOMPARE(parsed.request.command, CliCommand::DesfireTest);
    QCOMPARE(parsed.request.cycles, 1);
    QVERIFY(parsed.request.printerQueue.isEmpty());
    QVERIFY(parsed.request.reportPath.isEmpty());

    parsed = parse(QStringLiteral("desfire-test --printer Vantorel_Sim --station contactless "
                                  "-r R --cycles 100 --report r.json --printer-timeout 5"));
    QCOMPARE(int(parsed.kind), int(ParsedCommandLine::Run));
    QCOMPARE(parsed.request.printerQueue, QStringLiteral("Vantorel_Sim"));
    QCOMPARE(parsed.request.station, Station::Contactless);
    QCOMPARE(parsed.request.cycles, 100);
    QCOMPARE(parsed.request.reportPath, QStringLiteral("r.json"));
    QCOMPARE(parsed.request.printerTimeout.count(), 5000);
    QCOMPARE(parse(QStringLiteral("desfire-test --printer P --station contact")).request.station,
             Station::Contact);
}

void TestCliCommandLine::usageErrors_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("error");

    QTest::newRow("nothing") << ""
                             << "no command given";
    QTest::newRow("unknown command") << "format"
                                     << "unknown command \"format\"";
    QTest::newRow("unknown option") << "readers --fast"
                                    << "Unknown option 'fast'.";
    QTest::newRow("missing value") << "identify -r"
                                   << "Missing value after '-r'.";
    QTest::newRow("option of another command") << "identify --cycles 3"
                                               << "identify takes no option --cycles";
    QTest::newRow("short option of another command") << "readers -r R"
                                                     << "readers takes no option --reader";
    QTest::newRow("stray argument") << "identify R"
                                    << "identify takes no argument \"R\"";
    QTest::newRow("two files") << "apdu a b"
                               << "apdu takes one FILE at most";
    QTest::newRow("empty reader") << "identify --reader="
                                  << "--reader needs a reader name";
    for (const char *timeout : {"0", "-1", "ten", "nan", "inf", "100000"})
        QTest::addRow("timeout %s", timeout)
            << QStringLiteral("identify --timeout %1").arg(timeout)
            << QStringLiteral("--timeout needs a number of seconds above 0, not \"%1\"")
                   .arg(timeout);
    QTest::newRow("both protocols") << "apdu --t0 --t1"
                                    << "--t0 and --t1 exclude each other";
    for (const char *cycles : {"0", "-2", "1.5", "many", "1000001"})
        QTest::addRow("cycles %s", cycles)
            << QStringLiteral("desfire-test --cycles %1").arg(cycles)
            << QStringLiteral("--cycles needs a whole number from 1 to 1000000, not \"%1\"")
                   .arg(cycles);
    QTest::newRow("printer without station") << "desfire-test --printer Vantorel_Sim"
                                             << "--printer and --station go together";
    QTest::newRow("station without printer") << "desfire-test --station contact"
                                             << "--printer and --station go together";
    QTest::newRow("unknown station") << "desfire-test --printer P --station laminator"
                                     << "--station is contact or contactless, not \"laminator\"";
    QTest::newRow("empty queue") << "desfire-test --printer= --station contact"
                                 << "--printer needs a printer queue name";
    QTest::newRow("printer time-out without printer") << "desfire-test --printer-timeout 5"
                                                      << "--printer-timeout goes with --printer";
    QTest::newRow("printer time-out zero")
        << "desfire-test --printer P --station contact --printer-timeout 0"
        << "--printer-timeout needs a number of seconds above 0, not \"0\"";
    QTest::newRow("empty report") << "desfire-test --report="
                                  << "--report needs a file name";
}

void TestCliCommandLine::usageErrors() {
    QFETCH(QString, line);
    QFETCH(QString, error);
    const ParsedCommandLine parsed = parse(line);
    QCOMPARE(int(parsed.kind), int(ParsedCommandLine::UsageError));
    QCOMPARE(parsed.error, error);
}

QTEST_GUILESS_MAIN(TestCliCommandLine)
#include "tst_cli_command_line.moc"

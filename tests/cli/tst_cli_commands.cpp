// quorvane-cli run as a program against pcscd with the vpcd readers, with the virtual
// cards of this process in the contact reader: every command's main path, its output
// and its exit status, and the stress test cycle after cycle on the card in the reader.

#include "cli_process.h"
#include "hex.h"
#include "hostile_atr_list.h"
#include "inserted_card.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(vcard::MadeUpAuthentication)

namespace {

const QString contact = QLatin1String(testsupport::contactReader);
const QString contactless = QLatin1String(testsupport::contactlessReader);
const QString desfireAtr = QStringLiteral("3B8180018080");
const QString getVersion = QStringLiteral("9060000000\n90AF000000\n90AF000000\n");

QStringList verdictsOf(const QJsonObject &report) {
    QStringList verdicts;
    for (const QJsonValue &cycle : report[QStringLiteral("cycles")].toArray())
        verdicts.append(cycle[QStringLiteral("verdict")].toString());
    return verdicts;
}

QStringList repeated(const QString &text, int times) {
    QStringList list;
    for (int i = 0; i < times; ++i)
        list.append(text);
    return list;
}

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void readers();
    void identify_data();
    void identify();
    void identifyWithHostileUserList_data();
    void identifyWithHostileUserList();
    void identifyWithoutCard();
    void identifyStoppedWhileWaiting();
    void apdu_data();
    void apdu();
    void apduFromAFile();
    void apduTextBounded_data();
    void apduTextBounded();
    void desfireTestCycles();
    void desfireTestOtherPiccKey();
    void desfireTestKeyNotProved_data();
    void desfireTestKeyNotProved();
    void cardRemovedInTheMiddleOfACycle_data();
    void cardRemovedInTheMiddleOfACycle();
    void interruptedInTheMiddleOfTheExercise();
    void setupErrors_data();
    void setupErrors();

private:
    QTemporaryDir dir_;
};

void TestCliCommands::initTestCase() {
    QUORVANE_REQUIRE_PCSC();
    QVERIFY(dir_.isValid());
}

void TestCliCommands::init() {
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
}

void TestCliCommands::readers() {
    {
        CliProcess run({QStringLiteral("readers")});
        QVERIFY(run.finish());
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(run.outputLines(), QStringList({contact + "\tempty", contactless + "\tempty"}));
    }
    InsertedCard card;
    QVERIFY(card.insert());
    CliProcess run({QStringLiteral("readers")});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.outputLines(),
             QStringList({contact + '\t' + desfireAtr, contactless + "\tempty"}));
}

void TestCliCommands::identify_data() {
    QTest::addColumn<QString>("atr");
    QTest::addColumn<bool>("listed");
    QTest::newRow("DESFire card, found without -r") << desfireAtr << true;
    QTest::newRow("ATR the list does not know") << QStringLiteral("3B0451554952") << false;
}

// Without -r the only reader that holds a card is taken. The description lines are
// the window's: the last text it shows for the ATR.
void TestCliCommands::identify() {
    QFETCH(QString, atr);
    QFETCH(bool, listed);
    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>(vcard::fromHex(atr.toStdString())));
    QVERIFY(link.insert(0));
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, true));

    CliProcess run({QStringLiteral("identify")});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    const QStringList lines = run.outputLines();
    QCOMPARE(lines.value(0), QStringLiteral("ATR: ") + atr);
    if (listed) {
        QVERIFY2(lines.size() > 1, qPrintable(run.output()));
        QVERIFY2(lines[1].contains(QLatin1String("DESFire")), qPrintable(lines[1]));
    } else {
        QCOMPARE(lines.size(), 1);
    }
    QCOMPARE(run.errors(), QString());
    link.remove();
}

void TestCliCommands::identifyWithHostileUserList_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("description"); // how the second line begins
    const QString system = QStringLiteral("RFID - ISO 14443 Type A - NXP DESFire");
    QTest::newRow("a FIFO") << "fifo" << system;
    QTest::newRow("a sparse file of 1 GiB") << "huge" << system;
    QTest::newRow("a folder") << "folder" << system;
    QTest::newRow("4000 catastrophic patterns before the entry")
        << "catastrophic" << QStringLiteral("From the user's list");
}

// The program neither waits on a FIFO nor reads a gigabyte nor backtracks: the card is
// identified, from the system's list where the user's is no list.
void TestCliCommands::identifyWithHostileUserList() {
    QFETCH(QString, kind);
    QFETCH(QString, description);
    const QString cacheHome = dir_.filePath(QStringLiteral("cache-") + kind);
    QVERIFY(QDir().mkpath(cacheHome));
    const QString userList = cacheHome + QStringLiteral("/smartcard_list.txt");
    if (kind == QLatin1String("catastrophic")) {
        QFile file(userList);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(hostilelist::catastrophicEntries(4000) +
                   "3B 81 80 01 80 80\n\tFrom the user's list\n");
    } else {
        QVERIFY(hostilelist::makeListFile(userList, kind));
    }
    InsertedCard card;
    QVERIFY(card.insert());

    CliProcess run({QStringLiteral("identify"), QStringLiteral("-r"), contact},
                   {QStringLiteral("XDG_CACHE_HOME=") + cacheHome});
    QVERIFY(run.finish(20000));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.outputLines().value(0), QStringLiteral("ATR: ") + desfireAtr);
    QVERIFY2(run.outputLines().value(1).startsWith(description), qPrintable(run.output()));
    QCOMPARE(run.errors(), QString());
}

void TestCliCommands::identifyWithoutCard() {
    CliProcess run({QStringLiteral("identify"), QStringLiteral("-r"), contactless,
                    QStringLiteral("--timeout"), QStringLiteral("0.3")});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(run.output(), QString());
    QVERIFY2(run.errors().contains(QStringLiteral("no card in %1 within 0.3 s").arg(contactless)),
             qPrintable(run.errors()));
}

void TestCliCommands::identifyStoppedWhileWaiting() {
    CliProcess run({QStringLiteral("identify"), QStringLiteral("-r"), contactless,
                    QStringLiteral("--timeout"), QStringLiteral("600")});
    QVERIFY(run.waitForError(QStringLiteral("waiting up to 600 s for a card")));
    run.interrupt();
    QVERIFY(run.finish(10000));
    QCOMPARE(run.exitCode(), 130);
    QCOMPARE(run.output(), QString());
}

void TestCliCommands::apdu_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("expectedLines"); // a line ending in * is a prefix
    QTest::addColumn<int>("exitCode");

    QTest::newRow("the three GetVersion lines")
        << QStringList() << getVersion
        << QStringList{"APDU Response 1: 04010101001A0591AF", "APDU Response 2: 04010101041A0591AF",
                       "APDU Response 3: 043A5C72912E80*"}
        << 0;
    QTest::newRow("T=1 asked for") << QStringList{"--t1"} << QStringLiteral("9060000000")
                                   << QStringList{"APDU Response 1: 04010101001A0591AF"} << 0;
    // The window's rules: CR and LF each end a line, an empty line is a line that fails;
    // only the break that ends the text ends its last line.
    QTest::newRow("empty line and CR LF")
        << QStringList() << QStringLiteral("9060000000\n\n90AF000000\r\n")
        << QStringList{"APDU Response 1: 04010101001A0591AF",
                       "APDU Response 2 failed: SCARD_E_INVALID_PARAMETER",
                       "APDU Response 3: 04010101041A0591AF"}
        << 1;
    // A file written on another system: every line end is one.
    QTest::newRow("CR LF line ends")
        << QStringList() << QStringLiteral("9060000000\r\n90AF000000\r\n90AF000000\r\n")
        << QStringList{"APDU Response 1: 04010101001A0591AF", "APDU Response 2: 04010101041A0591AF",
                       "APDU Response 3: 043A5C72912E80*"}
        << 0;
    QTest::newRow("CR line ends") << QStringList() << QStringLiteral("9060000000\r90AF000000\r")
                                  << QStringList{"APDU Response 1: 04010101001A0591AF",
                                                 "APDU Response 2: 04010101041A0591AF"}
                                  << 0;
    QTest::newRow("nothing to send")
        << QStringList() << QString()
        << QStringList{"APDU Response 1 failed: SCARD_E_INVALID_PARAMETER"} << 1;
}

void TestCliCommands::apdu() {
    QFETCH(QStringList, options);
    QFETCH(QString, input);
    QFETCH(QStringList, expectedLines);
    QFETCH(int, exitCode);
    InsertedCard card;
    QVERIFY(card.insert());

    CliProcess run(QStringList{"apdu", "-r", contact} + options + QStringList{"-"}, {},
                   input.toUtf8());
    QVERIFY(run.finish());
    const QStringList lines = run.outputLines();
    QCOMPARE(lines.size(), expectedLines.size());
    for (int i = 0; i < lines.size(); ++i) {
        if (expectedLines[i].endsWith(QLatin1Char('*')))
            QVERIFY2(lines[i].startsWith(expectedLines[i].chopped(1)), qPrintable(lines[i]));
        else
            QCOMPARE(lines[i], expectedLines[i]);
    }
    QCOMPARE(run.exitCode(), exitCode);
}

// From a file, on a card that offers T=1 only: asked for T=0, it is refused.
void TestCliCommands::apduFromAFile() {
    const QString path = dir_.filePath(QStringLiteral("lines.apdu"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("80 10 00 02\n80 10 01 10\n");
    file.close();
    vcard::VpcdLink link(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only));
    QVERIFY(link.insert(0));
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, true));

    CliProcess run({QStringLiteral("apdu"), QStringLiteral("-r"), contact, path});
    QVERIFY(run.finish());
    QCOMPARE(run.outputLines(),
             QStringList({"APDU Response 1: 00019000",
                          "APDU Response 2 failed: SCARD_E_INSUFFICIENT_BUFFER"}));
    QCOMPARE(run.exitCode(), 1);

    CliProcess refused(
        {QStringLiteral("apdu"), QStringLiteral("--t0"), QStringLiteral("-r"), contact, path});
    QVERIFY(refused.finish());
    QCOMPARE(refused.exitCode(), 1);
    QCOMPARE(refused.output(), QString());
    QVERIFY2(refused.errors().contains(QLatin1String("SCARD_E_PROTO_MISMATCH")),
             qPrintable(refused.errors()));
    link.remove();
}

void TestCliCommands::apduTextBounded_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("inputBytes"); // on standard input, for "-"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const int limit = 16 * 1024 * 1024;
    QTest::newRow("an endless device")
        << "/dev/zero" << 0 << 2 << "quorvane-cli: /dev/zero holds more than 16 MiB";
    QTest::newRow("standard input a byte over") << "-" << limit + 1 << 2
                                                << "quorvane-cli: standard input holds more than "
                                                   "16 MiB";
    // Read whole; then no card comes.
    QTest::newRow("standard input at the limit")
        << "-" << limit << 1 << QStringLiteral("quorvane-cli: waiting up to 0.3 s for a card");
    QTest::newRow("a folder") << "/" << 0 << 2 << "quorvane-cli: cannot read /: Is a directory";
}

// The text is read with a bound: over it, a set-up error before any card is waited for.
void TestCliCommands::apduTextBounded() {
    QFETCH(QString, file);
    QFETCH(int, inputBytes);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    CliProcess run({QStringLiteral("apdu"), QStringLiteral("-r"), contactless,
                    QStringLiteral("--timeout"), QStringLiteral("0.3"), file},
                   {}, QByteArray(inputBytes, '0'));
    QVERIFY(run.finish(20000));
    QCOMPARE(run.exitCode(), exitCode);
    QCOMPARE(run.output(), QString());
    QVERIFY2(run.errors().startsWith(message), qPrintable(run.errors()));
}

void TestCliCommands::desfireTestCycles() {
    InsertedCard card;
    QVERIFY(card.insert());
    const QString report = dir_.filePath(QStringLiteral("cycles.json"));

    CliProcess run({QStringLiteral("desfire-test"), QStringLiteral("--cycles"), QStringLiteral("5"),
                    QStringLiteral("--report"), report});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    const QStringList progress = run.progressLines();
    QCOMPARE(progress.size(), 5);
    for (int i = 0; i < progress.size(); ++i)
        QVERIFY2(progress[i].startsWith(QStringLiteral("cycle %1/5: passed in ").arg(i + 1)),
                 qPrintable(progress[i]));
    QVERIFY(run.output().contains(QLatin1String("summary: 5 passed, 0 failed of 5 cycles")));
    QVERIFY(run.output().contains(QLatin1String("\nexercise: median ")));
    QVERIFY(!run.output().contains(QLatin1String("\nfeed:")));

    const QJsonObject json = readReport(report);
    QCOMPARE(json[QStringLiteral("reader")].toString(), contact);
    QVERIFY(json[QStringLiteral("printer")].isNull());
    QCOMPARE(verdictsOf(json), repeated(QStringLiteral("passed"), 5));
    // Five whole write cycles reached the card, and it is empty.
    const auto log = card.commandLog();
    QCOMPARE(std::count_if(log.begin(), log.end(),
                           [](const vcard::DesfireExchange &e) { return e.command[1] == 0xFC; }),
             5);
    QCOMPARE(card.applicationCount(), size_t(0));
}

void TestCliCommands::desfireTestOtherPiccKey() {
    vcard::DesfireOptions options;
    options.piccMasterKey = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    InsertedCard card(options);
    QVERIFY(card.insert());
    const QString report = dir_.filePath(QStringLiteral("other-key.json"));

    CliProcess run({QStringLiteral("desfire-test"), QStringLiteral("-r"), contact,
                    QStringLiteral("--cycles"), QStringLiteral("3"), QStringLiteral("--report"),
                    report});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 1);
    // The first cycle gets as far as the card-level authentication. The format it
    // cannot do would have freed the memory its deleted application took, as a real
    // card keeps it until then: the later cycles cannot create their application.
    const QStringList steps{"authenticate to the card", "create application", "create application"};
    const QStringList statuses{"91 AE", "91 0E", "91 0E"};
    QCOMPARE(run.progressLines(),
             QStringList({"cycle 1/3: failed at authenticate to the card: 91 AE",
                          "cycle 2/3: failed at create application: 91 0E",
                          "cycle 3/3: failed at create application: 91 0E"}));
    QVERIFY(run.output().contains(QLatin1String("summary: 0 passed, 3 failed of 3 cycles")));
    const QJsonObject json = readReport(report);
    QCOMPARE(verdictsOf(json), repeated(QStringLiteral("failed"), 3));
    const QJsonArray cycles = json[QStringLiteral("cycles")].toArray();
    QCOMPARE(cycles.size(), 3);
    for (int i = 0; i < cycles.size(); ++i) {
        QCOMPARE(cycles[i][QStringLiteral("failedStep")].toString(), steps[i]);
        QCOMPARE(cycles[i][QStringLiteral("status")].toString(), statuses[i]);
        QVERIFY(cycles[i][QStringLiteral("codeName")].isNull());
    }
}

void TestCliCommands::desfireTestKeyNotProved_data() {
    QTest::addColumn<vcard::MadeUpAuthentication>("madeUp");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QJsonValue>("status"); // the report's, null when no status was at fault

    QTest::newRow("91 58 from the application")
        << vcard::MadeUpAuthentication{vcard::fromHex("0102030405060708 9158"),
                                       vcard::Bytes{0x91, 0x00}, false}
        << "cycle 1/1: failed at authenticate to the application: 91 58"
        << QJsonValue(QStringLiteral("91 58"));
    QTest::newRow("the card's proof garbled")
        << vcard::MadeUpAuthentication{std::nullopt, vcard::fromHex("0000000000000000 9100"), true}
        << "cycle 1/1: failed at authenticate to the card: the card's answer does not prove the "
           "key"
        << QJsonValue();
    QTest::newRow("8 bytes without a status word")
        << vcard::MadeUpAuthentication{std::nullopt, vcard::fromHex("0102030405060708"), false}
        << "cycle 1/1: failed at authenticate to the application: an answer of 8 bytes where 8 "
           "and a status word were due"
        << QJsonValue();
}

// Cards that let every command through but never proved the key: the step and what was
// wrong, where a status word alone would have passed them.
void TestCliCommands::desfireTestKeyNotProved() {
    QFETCH(vcard::MadeUpAuthentication, madeUp);
    QFETCH(QString, progress);
    QFETCH(QJsonValue, status);
    vcard::DesfireOptions options;
    options.madeUpAuthentication = madeUp;
    InsertedCard card(options);
    QVERIFY(card.insert());
    const QString report = dir_.filePath(QStringLiteral("not-proved.json"));

    CliProcess run({QStringLiteral("desfire-test"), QStringLiteral("-r"), contact,
                    QStringLiteral("--report"), report});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 1);
    QCOMPARE(run.progressLines(), QStringList{progress});
    const QJsonObject cycle = readReport(report)[QStringLiteral("cycles")].toArray()[0].toObject();
    QCOMPARE(cycle[QStringLiteral("status")], status);
    QVERIFY(cycle[QStringLiteral("codeName")].isNull());
    QCOMPARE(card.applicationCount(), size_t(0)); // the card let the format through
}

void TestCliCommands::cardRemovedInTheMiddleOfACycle_data() {
    QTest::addColumn<bool>("cardComesBack");
    QTest::newRow("a card comes back: the run goes on") << true;
    QTest::newRow("no card comes back: the run stops") << false;
}

// The card leaves during the writes of the first cycle: that cycle fails at the write,
// with what the reader gave. The next cycle waits for a card.
void TestCliCommands::cardRemovedInTheMiddleOfACycle() {
    QFETCH(bool, cardComesBack);
    const QString report = dir_.filePath(QStringLiteral("removed.json"));
    InsertedCard leaving;
    leaving.link.dropAfterCommands(60); // set-up takes 5 commands, then the writes
    QVERIFY(leaving.insert());

    CliProcess run({QStringLiteral("desfire-test"), QStringLiteral("-r"), contact,
                    QStringLiteral("--cycles"), QStringLiteral("3"), QStringLiteral("--timeout"),
                    cardComesBack ? QStringLiteral("60") : QStringLiteral("1"),
                    QStringLiteral("--report"), report});
    QVERIFY(run.waitForOutput(QStringLiteral("cycle 1/3: ")));
    InsertedCard next;
    if (cardComesBack)
        QVERIFY(next.insert());
    QVERIFY(run.finish());

    const QStringList progress = run.progressLines();
    QVERIFY2(progress.value(0).startsWith(QLatin1String("cycle 1/3: failed at write file: ")),
             qPrintable(run.output()));
    if (cardComesBack) {
        QCOMPARE(progress.size(), 3);
        QVERIFY2(progress[1].startsWith(QLatin1String("cycle 2/3: passed in ")),
                 qPrintable(progress[1]));
        QVERIFY2(progress[2].startsWith(QLatin1String("cycle 3/3: passed in ")),
                 qPrintable(progress[2]));
        QCOMPARE(verdictsOf(readReport(report)), QStringList({"failed", "passed", "passed"}));
        QCOMPARE(next.applicationCount(), size_t(0));
    } else {
        QCOMPARE(progress.value(1),
                 QStringLiteral("cycle 2/3: failed at detection: no card in %1 within 1 s")
                     .arg(contact));
        QCOMPARE(progress.size(), 2);
        QVERIFY(
            run.output().contains(QStringLiteral("run stopped: no card to test in ") + contact));
        QCOMPARE(readReport(report)[QStringLiteral("cyclesRun")].toInt(), 2);
    }
    QCOMPARE(run.exitCode(), 1);
}

// Ctrl-C while the card is being written to: the exercise finishes, the card is left
// empty, the summary and the report follow.
void TestCliCommands::interruptedInTheMiddleOfTheExercise() {
    InsertedCard card;
    QVERIFY(card.insert());
    const QString report = dir_.filePath(QStringLiteral("interrupted.json"));
    CliProcess run({QStringLiteral("desfire-test"), QStringLiteral("-r"), contact,
                    QStringLiteral("--cycles"), QStringLiteral("1000"), QStringLiteral("--report"),
                    report});
    QVERIFY(run.waitForOutput(QStringLiteral("cycle 2/1000: ")));
    // Into the writes of a cycle, which are most of its commands.
    QTRY_VERIFY_WITH_TIMEOUT(card.link.commandCount() % 152 > 20, 10000);
    run.interrupt();
    QVERIFY(run.finish(30000));

    QCOMPARE(run.exitCode(), 130);
    QVERIFY(run.output().contains(QLatin1String("run stopped: interrupted")));
    const QJsonObject json = readReport(report);
    const QStringList verdicts = verdictsOf(json);
    QCOMPARE(verdicts, repeated(QStringLiteral("passed"), verdicts.size()));
    QCOMPARE(run.progressLines().size(), verdicts.size());
    QCOMPARE(json[QStringLiteral("stopReason")].toString(), QStringLiteral("interrupted"));
    QCOMPARE(card.applicationCount(), size_t(0));
    QCOMPARE(card.link.commandCount() % 152, 0); // every exercise whole
}

void TestCliCommands::setupErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString readerList = QStringLiteral(":\n  %1\n  %2\n").arg(contact, contactless);
    QTest::newRow("unknown reader")
        << QStringList{"identify", "-r", "Virtual PCD 00 07"}
        << QStringLiteral("quorvane-cli: unknown reader \"Virtual PCD 00 07\"; choose one of "
                          "these with -r") +
               readerList;
    QTest::newRow("two readers, no card, no -r")
        << QStringList{"desfire-test"}
        << QStringLiteral("quorvane-cli: 2 readers, none holding a card; choose one with -r") +
               readerList;
    QTest::newRow("report that cannot be written")
        << QStringList{"desfire-test", "-r", contact, "--report", "/nonexistent/r.json"}
        << QStringLiteral("quorvane-cli: the report cannot be written to /nonexistent/r.json");
    QTest::newRow("APDU file that cannot be read")
        << QStringList{"apdu", "-r", contact, "/nonexistent/lines"}
        << QStringLiteral("quorvane-cli: cannot read /nonexistent/lines");
    QTest::newRow("bad arguments") << QStringList{"desfire-test", "--cycles", "0"}
                                   << QStringLiteral("quorvane-cli: --cycles needs a whole number "
                                                     "from 1 to 1000000, not \"0\" (see "
                                                     "quorvane-cli --help)\n");
    QTest::newRow("no command") << QStringList()
                                << QStringLiteral("quorvane-cli: no command given");
}

void TestCliCommands::setupErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    CliProcess run(arguments);
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 2);
    QCOMPARE(run.output(), QString());
    QVERIFY2(run.errors().startsWith(message), qPrintable(run.errors()));
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_cli_commands.moc"

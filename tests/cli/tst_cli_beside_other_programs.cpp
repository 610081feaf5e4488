// quorvane-cli on the contact reader while another PC/SC program (the prober) probes
// the same card, resets it and at times holds it exclusively, as the services of a
// desktop do with every card that arrives.

#include "cli_process.h"
#include "inserted_card.h"
#include "pcsc_test_support.h"
#include "prober_process.h"

#include <QtTest>

namespace {

const QString contact = QLatin1String(testsupport::contactReader);
const QString getVersion = QStringLiteral("9060000000\n90AF000000\n90AF000000\n");
const QString heldMessage =
    QStringLiteral("another program holds the card in %1 (SCARD_E_SHARING_VIOLATION): stop it, "
                   "for instance GnuPG's scdaemon with \"gpgconf --kill scdaemon\", and try again")
        .arg(contact);

QStringList commandLine(const QString &command) {
    if (command == QLatin1String("apdu"))
        return {QStringLiteral("apdu"), QStringLiteral("-r"), contact, QStringLiteral("-")};
    return {QStringLiteral("desfire-test"), QStringLiteral("-r"), contact,
            QStringLiteral("--cycles"), QStringLiteral("3")};
}

} // namespace

class TestCliBesideOtherPrograms : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactReader, false)); }

    void stressTestWhileProbed_data();
    void stressTestWhileProbed();
    void typedRunsWhileProbed();
    void cardHeldBriefly_data();
    void cardHeldBriefly();
    void cardHeldBeyondTheTries_data();
    void cardHeldBeyondTheTries();
};

void TestCliBesideOtherPrograms::stressTestWhileProbed_data() {
    QTest::addColumn<QStringList>("proberOptions");
    QTest::newRow("shared connections") << QStringList();
    QTest::newRow("some of them exclusive") << QStringList{QStringLiteral("--exclusive")};
}

// Every cycle passes, whatever the prober sends, resets or leaves on the card between
// two cycles.
void TestCliBesideOtherPrograms::stressTestWhileProbed() {
    QFETCH(QStringList, proberOptions);
    const int cycles = 50;
    InsertedCard card;
    QVERIFY(card.insert());
    ProberProcess prober(contact, proberOptions + QStringList{"--seed", "13"});
    QVERIFY(prober.waitFor(QStringLiteral("prober: ready")));

    CliProcess run({QStringLiteral("desfire-test"), QStringLiteral("-r"), contact,
                    QStringLiteral("--cycles"), QString::number(cycles)});
    QVERIFY(run.finish());
    const ProberCounts probed = prober.finish();
    const QStringList progress = run.progressLines();
    QCOMPARE(progress.size(), cycles);
    QCOMPARE(progress.filter(QRegularExpression(QStringLiteral(": passed in "))), progress);
    QCOMPARE(run.exitCode(), 0);
    QVERIFY2(probed.reported && probed.connections > 0 && probed.resets > 0,
             qPrintable(QStringLiteral("%1 connections, %2 resets")
                            .arg(probed.connections)
                            .arg(probed.resets)));
    if (!proberOptions.isEmpty())
        QVERIFY(probed.exclusive > 0);
    QCOMPARE(card.applicationCount(), size_t(0));
}

// Each run's answers are the card's answers to its own lines: the three frames of
// GetVersion in order, none broken into by the prober's commands.
void TestCliBesideOtherPrograms::typedRunsWhileProbed() {
    InsertedCard card;
    QVERIFY(card.insert());
    ProberProcess prober(contact, {QStringLiteral("--pause-ms"), QStringLiteral("5")});
    QVERIFY(prober.waitFor(QStringLiteral("prober: ready")));
    const QRegularExpression ownAnswers(
        QStringLiteral("^APDU Response 1: 04010101001A0591AF\nAPDU Response 2: "
                       "04010101041A0591AF\nAPDU Response 3: 043A5C72912E80[0-9A-F]{14}9100\n$"));
    for (int run = 0; run < 15; ++run) {
        CliProcess apdu(commandLine(QStringLiteral("apdu")), {}, getVersion.toUtf8());
        QVERIFY(apdu.finish());
        QVERIFY2(ownAnswers.match(apdu.output()).hasMatch(), qPrintable(apdu.output()));
        QCOMPARE(apdu.exitCode(), 0);
    }
    const ProberCounts probed = prober.finish();
    QVERIFY(probed.reported && probed.connections > 0);
}

void TestCliBesideOtherPrograms::cardHeldBriefly_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("desfire-test") << "desfire-test";
    QTest::newRow("apdu") << "apdu";
}

// Held exclusively for a second: the command waits for the card and then passes.
void TestCliBesideOtherPrograms::cardHeldBriefly() {
    QFETCH(QString, command);
    InsertedCard card;
    QVERIFY(card.insert());
    ProberProcess prober(contact, {QStringLiteral("--hold-ms"), QStringLiteral("1000")});
    QVERIFY(prober.waitFor(QStringLiteral("prober: holding")));

    CliProcess run(commandLine(command), {}, getVersion.toUtf8());
    QVERIFY(run.finish());
    QVERIFY(prober.waitFor(QStringLiteral("prober: released")));
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.errors(), QString());
    if (command == QLatin1String("desfire-test"))
        QCOMPARE(run.progressLines().size(), 3);
    else
        QCOMPARE(run.outputLines().size(), 3);
    QCOMPARE(prober.finish().exclusive, 1);
}

void TestCliBesideOtherPrograms::cardHeldBeyondTheTries_data() {
    cardHeldBriefly_data();
}

// Held for longer than the tries last: a set-up error that says who holds the card and
// how one usually stops it. The stress test stops at that cycle.
void TestCliBesideOtherPrograms::cardHeldBeyondTheTries() {
    QFETCH(QString, command);
    InsertedCard card;
    QVERIFY(card.insert());
    ProberProcess prober(contact, {QStringLiteral("--hold-ms"), QStringLiteral("6000")});
    QVERIFY(prober.waitFor(QStringLiteral("prober: holding")));

    CliProcess run(commandLine(command), {}, getVersion.toUtf8());
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 2);
    if (command == QLatin1String("desfire-test")) {
        QCOMPARE(run.progressLines(), QStringList{"cycle 1/3: failed at connect: " + heldMessage});
        QVERIFY2(run.output().contains(QStringLiteral("run stopped: ") + heldMessage),
                 qPrintable(run.output()));
    } else {
        QCOMPARE(run.output(), QString());
        QCOMPARE(run.errors(), QStringLiteral("quorvane-cli: ") + heldMessage + '\n');
    }
    // The prober still held the card when the command gave up.
    QVERIFY(!prober.waitFor(QStringLiteral("prober: released"), 0));
    QCOMPARE(card.commandLog().size(), size_t(0));
}

QTEST_GUILESS_MAIN(TestCliBesideOtherPrograms)
#include "tst_cli_beside_other_programs.moc"

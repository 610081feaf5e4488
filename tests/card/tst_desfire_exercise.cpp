// The DESFire stress test run by a real worker on its own thread, against the virtual
// DESFire card in the contact reader.

#include "card/desfire_exercise.h"
#include "card/desfire_exercise_commands.h"
#include "card_log.h"
#include "card_test_support.h"
#include "debug_log.h"
#include "desfire_card.h"
#include "hex.h"
#include "inserted_card.h"
#include "iso_card.h"
#include "pcsc/pcsc.h"
#include "pcsc_test_support.h"
#include "stdout_capture.h"
#include "vpcd_link.h"
#include "worker/active_protocol.h"
#include "worker_harness.h"

#include <QtTest>

#include <memory>

using vcard::DesfireCard;
using vcard::DesfireExchange;

Q_DECLARE_METATYPE(vcard::DesfireOptions)
Q_DECLARE_METATYPE(DesfireOutcome::Verdict)

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const int readerSlot = 0;
const QString passed = QStringLiteral("DESFire Test Passed");
const QString failed = QStringLiteral("DESFire Test Failed");
const QString cycleDone = QStringLiteral("About to look for card exit");

QByteArray bytes(const vcard::Bytes &b) {
    return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size()));
}

// The WriteData command and the frames that continue it.
std::vector<DesfireExchange> writeFrames(const std::vector<DesfireExchange> &log) {
    std::vector<DesfireExchange> frames;
    for (const DesfireExchange &exchange : log) {
        const std::uint8_t ins = exchange.command.size() > 1 ? exchange.command[1] : 0;
        if (ins == 0x3D || (!frames.empty() && ins == 0xAF))
            frames.push_back(exchange);
        else if (!frames.empty())
            break;
    }
    return frames;
}

// The exercise's own console lines, in order, without the card's state line.
QStringList exerciseConsole(const QString &console) {
    QStringList lines;
    for (const QString &line : console.split('\n'))
        if (line.startsWith(QLatin1String("Select App")) ||
            line.startsWith(QLatin1String("CREATE FILE")) ||
            line.startsWith(QLatin1String("AUTH")) || line.startsWith(QLatin1String("Failed")))
            lines.append(line);
    return lines;
}

QStringList verdicts(const QStringList &messages) {
    QStringList found;
    for (const QString &message : messages)
        if (message.startsWith(QLatin1String("DESFire Test")))
            found.append(message);
    return found;
}

QStringList codeNames(const QStringList &messages) {
    return messages.filter(QRegularExpression(QStringLiteral("^SCARD_")));
}

} // namespace

class TestDesfireExercise : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactReader, false)); }

    void writesTheWholeFileAndLeavesTheCardEmpty();
    void verdict_data();
    void verdict();
    void runCutBeforeTheFormat();
    void outcome_data();
    void outcome();
    void cardTakenAwayDuringTheWrites();
    void t0ApduRunThenStressTestOnTheSameCard();
    void refusedConnectionKeepsTheRequestForTheNextCard();
    void stressTestAndApduRunBothPending();
    void typedGetVersion();
};

void TestDesfireExercise::writesTheWholeFileAndLeavesTheCardEmpty() {
    InsertedCard card;
    QVERIFY(card.insert());
    DebugLog debug;
    StdoutCapture console;
    WorkerHarness harness;
    emit harness.sendDESFire(reader, true);
    QTRY_COMPARE_WITH_TIMEOUT(verdicts(harness.uiMessages), QStringList{passed}, 20000);
    QTRY_COMPARE(debug.count(cycleDone), 1);

    QCOMPARE(debug.count("DESFire needs T1"), 1);
    QCOMPARE(debug.count("I've been asked to run through DESFire"), 1);
    QCOMPARE(codeNames(harness.uiMessages), QStringList());
    QCOMPARE(exerciseConsole(console.text()),
             QStringList({"Select App, 91:00", "CREATE FILE, 91:00", "AUTH, 91:AF", "AUTH, 91:00",
                          "AUTH, 91:AF", "AUTH, 91:00"}));

    const std::vector<DesfireExchange> frames = writeFrames(card.commandLog());
    QCOMPARE(int(frames.size()), 142);
    const QByteArray first = bytes(frames.front().command);
    QCOMPARE(first.left(12), QByteArray::fromHex("903D000036 02 000000 4C1D00"));
    QByteArray written = first.mid(12, first.size() - 13);
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const QByteArray frame = bytes(frames[i].command);
        written += frame.mid(5, frame.size() - 6);
    }
    QCOMPARE(written, desfire::exercise::testPattern());
    for (std::size_t i = 0; i + 1 < frames.size(); ++i)
        QCOMPARE(bytes(frames[i].answer).toHex(), QByteArray("91af"));
    QCOMPARE(bytes(frames.back().answer).toHex(), QByteArray("9100"));

    QCOMPARE(card.applicationCount(), size_t(0));
    const testsupport::LastCommand last = testsupport::lastCommand(card.link);
    QCOMPARE(last.command, QStringLiteral("90FC000000"));
    QVERIFY(last.resetAfter);
}

void TestDesfireExercise::verdict_data() {
    QTest::addColumn<vcard::DesfireOptions>("options");
    QTest::addColumn<QStringList>("expectedVerdicts");
    QTest::addColumn<QStringList>("expectedCodeNames");
    QTest::addColumn<bool>("emptyAfterwards");

    vcard::DesfireOptions present;
    vcard::DesfireApplicationSpec application;
    application.aid = {0xC8, 0x28, 0x68};
    application.files.push_back({2, 0x00, 0x0E0E, 7500, {}});
    present.applications.push_back(application);
    // The format succeeds, yet the set-up did not: the cycle was not the one under test.
    QTest::newRow("application already present")
        << present << QStringList{failed} << QStringList() << true;

    vcard::DesfireOptions otherKey;
    otherKey.piccMasterKey = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    QTest::newRow("card-level key not the one in use")
        << otherKey << QStringList{failed} << QStringList() << true;

    // Another application leaves room for the test application but not for its file:
    // the file is refused with 91 0E and the writes with it, while the delete and the
    // format go through. The format alone would say "passed".
    vcard::DesfireOptions crowded;
    vcard::DesfireApplicationSpec other;
    other.aid = {0x01, 0x02, 0x03};
    other.keyCountByte = 0x01;
    other.files.push_back({1, 0x00, 0xEEEE, 1024, {}});
    crowded.applications.push_back(other);
    QTest::newRow("memory taken by another application")
        << crowded << QStringList{failed} << QStringList() << true;

    // Every answer is a byte longer than the status word: each transmission fails,
    // and without a delete there is no verdict. The card did create the application;
    // only its answer was lost.
    vcard::DesfireOptions padded;
    padded.statusPadding = 1;
    QTest::newRow("answers too long")
        << padded << QStringList()
        << QString("SCARD_E_INSUFFICIENT_BUFFER\n").repeated(4).split('\n', Qt::SkipEmptyParts)
        << false;
}

void TestDesfireExercise::verdict() {
    QFETCH(vcard::DesfireOptions, options);
    QFETCH(QStringList, expectedVerdicts);
    QFETCH(QStringList, expectedCodeNames);
    QFETCH(bool, emptyAfterwards);

    InsertedCard card(options);
    QVERIFY(card.insert());
    DebugLog debug;
    WorkerHarness harness;
    emit harness.sendDESFire(reader, true);
    QTRY_COMPARE_WITH_TIMEOUT(debug.count(cycleDone), 1, 20000);
    // Reports emitted before that debug line are queued by now; deliver them.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(verdicts(harness.uiMessages), expectedVerdicts);
    QCOMPARE(codeNames(harness.uiMessages), expectedCodeNames);
    QCOMPARE(card.applicationCount() == 0, emptyAfterwards);
}

// A run cut between the delete and the format leaves the deleted application's memory
// used, as on a real card: the next run cannot create its application and fails, and
// its format frees the card for the run after it.
void TestDesfireExercise::runCutBeforeTheFormat() {
    InsertedCard card;
    // Set-up 3, select 1, writes 142, authentication 2, delete 1: the card leaves at the
    // authentication before the format.
    card.link.dropAfterCommands(149);
    QVERIFY(card.insert());
    DebugLog debug;
    WorkerHarness harness;
    emit harness.sendDESFire(reader, true);
    QTRY_COMPARE_WITH_TIMEOUT(harness.removals, 1, 20000);
    QCOMPARE(verdicts(harness.uiMessages), QStringList());
    QCOMPARE(card.applicationCount(), size_t(0));
    std::size_t freeMemory = 0;
    card.link.withCard([&](vcard::VirtualCard &) { freeMemory = card.card->freeMemory(); });
    QVERIFY(freeMemory < 288); // too little for the test application

    const QStringList expected[] = {{failed}, {passed}};
    for (const QStringList &verdict : expected) {
        card.link.remove();
        QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
        card.link.dropAfterCommands(0);
        harness.uiMessages.clear();
        const int cycles = debug.count(cycleDone);
        QVERIFY(card.insert());
        emit harness.sendDESFire(reader, true);
        QTRY_COMPARE_WITH_TIMEOUT(debug.count(cycleDone), cycles + 1, 20000);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(verdicts(harness.uiMessages), verdict);
        QCOMPARE(codeNames(harness.uiMessages), QStringList());
        QCOMPARE(card.applicationCount(), size_t(0));
    }
}

void TestDesfireExercise::outcome_data() {
    QTest::addColumn<vcard::DesfireOptions>("options");
    QTest::addColumn<int>("dropAfterCommands"); // 0: the card stays
    QTest::addColumn<DesfireOutcome::Verdict>("expectedVerdict");
    QTest::addColumn<QString>("failedStep");
    QTest::addColumn<QString>("failure"); // a prefix of it

    using Verdict = DesfireOutcome::Verdict;
    QTest::newRow("factory card") << vcard::DesfireOptions() << 0 << Verdict::Passed << ""
                                  << "";

    vcard::DesfireOptions present;
    vcard::DesfireApplicationSpec application;
    application.aid = {0xC8, 0x28, 0x68};
    present.applications.push_back(application);
    QTest::newRow("application already present")
        << present << 0 << Verdict::Failed << "create application"
        << "91 DE";

    vcard::DesfireOptions otherKey;
    otherKey.piccMasterKey = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    QTest::newRow("card-level key not the one in use")
        << otherKey << 0 << Verdict::Failed << "authenticate to the card"
        << "91 AE";

    // Another application's file leaves too little memory for the test file.
    vcard::DesfireOptions nearlyFull;
    vcard::DesfireApplicationSpec other;
    other.aid = {0x01, 0x02, 0x03};
    other.files.push_back({1, 0x00, 0xEEEE, 1024, {}});
    nearlyFull.applications.push_back(other);
    QTest::newRow("card nearly full") << nearlyFull << 0 << Verdict::Failed << "create file"
                                      << "91 0E";

    // Cards that never took part in the authentication yet let the delete and the
    // format through: every status the cycle needs, bar the authentications'.
    vcard::DesfireOptions bare;
    bare.madeUpAuthentication =
        vcard::MadeUpAuthentication{vcard::Bytes{0x91, 0x00}, vcard::Bytes{0x91, 0x00}, false};
    QTest::newRow("authentications answered with a bare 91 00")
        << bare << 0 << Verdict::Failed << "authenticate to the application"
        << "91 00";
    vcard::DesfireOptions wrongStatus;
    wrongStatus.madeUpAuthentication = vcard::MadeUpAuthentication{
        vcard::fromHex("0102030405060708 9158"), vcard::Bytes{0x91, 0x00}, false};
    QTest::newRow("8 bytes and 91 58, then 91 00")
        << wrongStatus << 0 << Verdict::Failed << "authenticate to the application"
        << "91 58";
    vcard::DesfireOptions garbledAtCardLevel;
    garbledAtCardLevel.madeUpAuthentication =
        vcard::MadeUpAuthentication{std::nullopt, vcard::fromHex("0000000000000000 9100"), true};
    QTest::newRow("card-level proof garbled")
        << garbledAtCardLevel << 0 << Verdict::Failed << "authenticate to the card"
        << "the card's answer does not prove the key";

    vcard::DesfireOptions padded;
    padded.statusPadding = 1;
    QTest::newRow("answers too long") << padded << 0 << Verdict::None << "create application"
                                      << "SCARD_E_INSUFFICIENT_BUFFER";

    // vpcd answers the command during which the card leaves with nothing at all.
    QTest::newRow("card taken away during the writes")
        << vcard::DesfireOptions() << 60 << Verdict::None << "write file"
        << "no status word";
}

// What the exercise tells its caller: the verdict, and the first step that did not
// answer as the full write cycle needs, with what it got.
void TestDesfireExercise::outcome() {
    QFETCH(vcard::DesfireOptions, options);
    QFETCH(int, dropAfterCommands);
    QFETCH(DesfireOutcome::Verdict, expectedVerdict);
    QFETCH(QString, failedStep);
    QFETCH(QString, failure);

    cardtest::ConnectedCard card(std::make_shared<DesfireCard>(options), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    card.link().dropAfterCommands(dropAfterCommands);
    cardtest::RecordedReports reports;
    StdoutCapture console;
    const DesfireOutcome got = runDesfireExercise(card.handle(), reports);

    QCOMPARE(got.verdict, expectedVerdict);
    QCOMPARE(got.failedStep, failedStep);
    QVERIFY2(got.failure.text().startsWith(failure), qPrintable(got.failure.text()));
    QCOMPARE(got.failure.answer.transmitted(), !failure.startsWith(QLatin1String("SCARD_")));
    // The operator's verdict says the same.
    const QStringList shown{expectedVerdict == DesfireOutcome::Verdict::Passed ? passed : failed};
    QCOMPARE(verdicts(reports.uiMessages),
             expectedVerdict == DesfireOutcome::Verdict::None ? QStringList() : shown);
}

// The card leaves in the middle of the writes: the failures are shown by code name, no
// verdict follows, and the worker reports the removal and takes the next card.
void TestDesfireExercise::cardTakenAwayDuringTheWrites() {
    DebugLog debug;
    WorkerHarness harness;
    {
        InsertedCard card;
        card.link.dropAfterCommands(60); // set-up takes 5 commands, then the writes
        QVERIFY(card.insert());
        emit harness.sendDESFire(reader, true);
        QTRY_COMPARE_WITH_TIMEOUT(harness.removals, 1, 20000);
        QVERIFY(writeFrames(card.commandLog()).size() > 1);
    }
    QVERIFY(!codeNames(harness.uiMessages).isEmpty());
    QCOMPARE(verdicts(harness.uiMessages), QStringList());

    // As the window does on a removal.
    emit harness.connectToReader(reader);
    vcard::VpcdLink next(std::make_shared<vcard::IsoCard>());
    QVERIFY(next.insert(readerSlot));
    QTRY_COMPARE_WITH_TIMEOUT(debug.count(cycleDone), 2, 10000);
    QCOMPARE(next.commandCount(), 0); // the request was used up by the first card
    next.remove();
    QTRY_COMPARE(harness.removals, 2);
}

// A T=0 APDU run must leave the card reset, so that the stress test can connect with
// T=1 to the same card afterwards.
void TestDesfireExercise::t0ApduRunThenStressTestOnTheSameCard() {
    InsertedCard card;
    QVERIFY(card.insert());
    {
        WorkerHarness apduRun;
        emit apduRun.sendT0(true);
        emit apduRun.sendAPDU(reader, QStringLiteral("9060000000"));
        QTRY_COMPARE_WITH_TIMEOUT(apduRun.popups.size(), 1, 10000);
        QCOMPARE(apduRun.popups[0].second, QStringLiteral("APDU Response 1: 04010101001A0591AF"));
        QCOMPARE(activeProtocolPci.load(), pcsc::t0Pci());
    }
    WorkerHarness stressTest;
    emit stressTest.sendDESFire(reader, true);
    QTRY_COMPARE_WITH_TIMEOUT(verdicts(stressTest.uiMessages), QStringList{passed}, 20000);
    QCOMPARE(codeNames(stressTest.uiMessages), QStringList());
    QCOMPARE(activeProtocolPci.load(), pcsc::t1Pci());
}

// The stress test asked for while a card that refuses T=1 lies in the reader: the
// request waits for the next card the worker is sent to watch.
void TestDesfireExercise::refusedConnectionKeepsTheRequestForTheNextCard() {
    DebugLog debug;
    WorkerHarness harness;
    emit harness.sendDESFire(reader, true);
    {
        vcard::VpcdLink t0Card(std::make_shared<vcard::IsoCard>(vcard::atrs::t0Only));
        QVERIFY(t0Card.insert(readerSlot));
        QTRY_VERIFY_WITH_TIMEOUT(harness.uiMessages.contains("SCARD_E_PROTO_MISMATCH"), 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(harness.removals, 1, 10000);

    emit harness.connectToReader(reader); // as the window does on a removal
    InsertedCard card;
    QVERIFY(card.insert());
    QTRY_COMPARE_WITH_TIMEOUT(verdicts(harness.uiMessages), QStringList{passed}, 20000);
    QCOMPARE(debug.count("I've been asked to run through DESFire"), 1);
    QCOMPARE(card.applicationCount(), size_t(0));
}

// A typed run whose card could not be connected is still pending when the stress test
// is asked for: the stress test takes the next card, the typed run the one after.
void TestDesfireExercise::stressTestAndApduRunBothPending() {
    DebugLog debug;
    WorkerHarness harness;
    emit harness.sendAPDU(reader, QStringLiteral("9060000000"));
    {
        // pcscd leaves a card with a 34-byte ATR unpowered: the connection fails.
        vcard::VpcdLink unpowered(std::make_shared<vcard::IsoCard>(vcard::fromHex(
            "3BFF1100008131FE4500F1FE45007F0300004142434445464748494A4B4C4D4E4F53")));
        QVERIFY(unpowered.insert(readerSlot));
        QTRY_VERIFY_WITH_TIMEOUT(harness.uiMessages.contains("SCARD_W_UNPOWERED_CARD"), 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(harness.removals, 1, 10000);
    emit harness.sendDESFire(reader, true);

    InsertedCard card;
    QVERIFY(card.insert());
    QTRY_COMPARE_WITH_TIMEOUT(verdicts(harness.uiMessages), QStringList{passed}, 20000);
    QCOMPARE(debug.count("DESFire needs T1"), 1);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(harness.popups.size(), 0);
    card.link.remove();
    QTRY_COMPARE_WITH_TIMEOUT(harness.removals, 2, 10000);

    emit harness.connectToReader(reader);
    QVERIFY(card.insert());
    QTRY_COMPARE_WITH_TIMEOUT(harness.popups.size(), 1, 10000);
    QCOMPARE(harness.popups[0].second, QStringLiteral("APDU Response 1: 04010101001A0591AF"));
    QCOMPARE(debug.count("I've been asked to run through DESFire"), 1);
}

void TestDesfireExercise::typedGetVersion() {
    vcard::DesfireOptions options;
    options.uid = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    InsertedCard card(options);
    QVERIFY(card.insert());
    WorkerHarness harness;
    emit harness.sendAPDU(reader, QStringLiteral("9060000000\n90AF000000\n90AF000000"));
    QTRY_COMPARE_WITH_TIMEOUT(harness.popups.size(), 1, 10000);
    QCOMPARE(harness.popups[0].first, QStringLiteral("APDU Response "));
    const QStringList entries = harness.popups[0].second.split('\r');
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0], QStringLiteral("APDU Response 1: 04010101001A0591AF"));
    QCOMPARE(entries[1], QStringLiteral("APDU Response 2: 04010101041A0591AF"));
    QVERIFY2(entries[2].startsWith(QLatin1String("APDU Response 3: 04112233445566")),
             qPrintable(entries[2]));
    QVERIFY(entries[2].endsWith(QLatin1String("9100")));
    QCOMPARE(entries[2].size(), int(strlen("APDU Response 3: ")) + 2 * (14 + 2));
}

QTEST_GUILESS_MAIN(TestDesfireExercise)
#include "tst_desfire_exercise.moc"

#include "card_log.h"
#include "debug_log.h"
#include "hostile_atr_list.h"
#include "pcsc_test_support.h"
#include "stdout_capture.h"
#include "worker_harness.h"

#include "hex.h"
#include "iso_card.h"
#include "pcsc/pcsc.h"
#include "vpcd_link.h"
#include "worker/active_protocol.h"
#include "worker/card_session_lock.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <mutex>

Q_DECLARE_METATYPE(const SCARD_IO_REQUEST *)
Q_DECLARE_METATYPE(vcard::Bytes)

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const int readerSlot = 0;
const QString noCardText = QStringLiteral(
    "The smart card has been removed, so that further communication is not possible.");

std::unique_ptr<vcard::VpcdLink> cardWithAtr(const vcard::Bytes &atr) {
    return std::make_unique<vcard::VpcdLink>(std::make_shared<vcard::IsoCard>(atr));
}

// The texts that identify an ATR according to the system's list, which the worker reads
// (the tests' cache directory holds no list of a user's): "ATR: " and the hex, then one
// more description line each. The entry is found by its pattern line as written.
QStringList listedTexts(const QString &pattern, const QString &hex) {
    QFile list(QStringLiteral("/usr/share/pcsc/smartcard_list.txt"));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList texts;
    QString text = QStringLiteral("ATR: ") + hex;
    bool inEntry = false;
    while (!list.atEnd()) {
        const QString line = QString::fromUtf8(list.readLine()).chopped(1);
        if (!inEntry) {
            inEntry = line == pattern;
        } else if (line.startsWith('\t')) {
            text += '\n' + line.trimmed();
            texts << text;
        } else {
            break;
        }
    }
    return texts;
}

} // namespace

class TestEncodingService : public QObject {
    Q_OBJECT

private slots:
    void init();

    void readerList();
    void plainCard();
    void removalAndRearm();
    void cardAlreadyPresent();
    void wildcardEntry();
    void hostileUserList_data();
    void hostileUserList();
    void interruption_data();
    void interruption();
    void retiredBeforeConnectingLeavesTheCardAlone();
    void retiredApduRunStopsBetweenLines();
    void refusedProtocol_data();
    void refusedProtocol();
    void activeProtocol_data();
    void activeProtocol();
    void longAtr_data();
    void longAtr();
};

void TestEncodingService::init() {
    QUORVANE_REQUIRE_PCSC();
    // A card left behind by an earlier test must have gone.
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
}

void TestEncodingService::readerList() {
    SCARDCONTEXT context = 0;
    QCOMPARE(pcsc::establishContext(&context), SCARD_S_SUCCESS);
    QStringList attached;
    QCOMPARE(pcsc::listReaders(context, &attached), SCARD_S_SUCCESS);
    pcsc::releaseContext(context);

    WorkerHarness harness;
    emit harness.listReaders();
    QTRY_COMPARE(harness.readerLists.size(), 1);
    const QStringList list = harness.readerLists.first();
    QCOMPARE(list.first(), QStringLiteral("Please choose a reader..."));
    QCOMPARE(list.mid(1), attached);
    QVERIFY(list.contains(QLatin1String(testsupport::contactReader)));
    QVERIFY(list.contains(QLatin1String(testsupport::contactlessReader)));
    QVERIFY(harness.readerMessages.isEmpty());
    QVERIFY(harness.uiMessages.isEmpty());
}

void TestEncodingService::plainCard() {
    const QStringList descriptions = listedTexts("3B 81 80 01 80 80", "3B8180018080");
    QVERIFY(!descriptions.isEmpty());
    QCOMPARE(descriptions.first(),
             "ATR: 3B8180018080\nRFID - ISO 14443 Type A - NXP DESFire or DESFire EV1 or EV2");

    DebugLog debug;
    StdoutCapture console;
    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    QCOMPARE(harness.readerMessages, QStringList{reader});

    auto card = cardWithAtr(vcard::atrs::desfireEv1);
    QVERIFY(card->insert(readerSlot));
    const QStringList expected = QStringList{noCardText, "ATR: 3B8180018080"} + descriptions;
    QTRY_COMPARE(harness.uiMessages, expected);
    QTRY_COMPARE(debug.count("About to look for card exit"), 1);

    // Identified and let go with a reset; no command reached the card.
    const auto log = card->log();
    QCOMPARE(std::count(log.begin(), log.end(), std::string("RESET")), 1);
    QCOMPARE(card->commandCount(), 0);
    // pcscd reports a connected card as present, powered and negotiable.
    QVERIFY(console.text().contains("Card reset and waiting PTS negotiation.\n"));

    card->remove();
    QTRY_COMPARE(harness.removals, 1);
    QCOMPARE(harness.uiMessages, expected);
    QCOMPARE(debug.lines(),
             (QStringList{"connect To Reader, reader name:" + reader, "SCARD_S_SUCCESS",
                          "Card found", "About to look for card exit", "card has been removed"}));
    QVERIFY(harness.popups.isEmpty());
}

// The window answers a removal with connectToReader to the same worker, which then
// waits for the next card.
void TestEncodingService::removalAndRearm() {
    WorkerHarness harness;
    auto card = cardWithAtr(vcard::atrs::t1Only);
    const QString atrText = "ATR: " + QString::fromStdString(vcard::toHex(vcard::atrs::t1Only));

    for (int cycle = 1; cycle <= 2; ++cycle) {
        emit harness.connectToReader(reader);
        QTRY_COMPARE(harness.uiMessages.count(noCardText), cycle);
        QVERIFY(card->insert(readerSlot));
        QTRY_COMPARE(harness.uiMessages.count(atrText), cycle);
        card->remove();
        QTRY_COMPARE(harness.removals, cycle);
    }
    QCOMPARE(harness.readerMessages, (QStringList{reader, reader}));
}

void TestEncodingService::cardAlreadyPresent() {
    auto card = cardWithAtr(vcard::atrs::t0Only);
    QVERIFY(card->insert(readerSlot));
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, true));

    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList({noCardText, "ATR: 3B021450"}) +
                                         listedTexts("3B 02 14 50", "3B021450"));
    card->remove();
    QTRY_COMPARE(harness.removals, 1);
}

// Described by no exact entry of the list, only by one with a character class.
void TestEncodingService::wildcardEntry() {
    const QString hex = "3B391900534F4D414453333033";
    QVERIFY(listedTexts("3B 39 19 00 53 4F 4D 41 44 53 33 30 33", hex).isEmpty());
    const QStringList descriptions = listedTexts("3B 39 19 00 53 4F 4D 41 44 53 33 30 3[1,3]", hex);
    QVERIFY(!descriptions.isEmpty());

    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    auto card = cardWithAtr(vcard::fromHex(hex.toStdString()));
    QVERIFY(card->insert(readerSlot));
    QTRY_COMPARE(harness.uiMessages, QStringList({noCardText, "ATR: " + hex}) + descriptions);
    card->remove();
    QTRY_COMPARE(harness.removals, 1);
}

void TestEncodingService::hostileUserList_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a device") << "device";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a sparse file of 1 GiB") << "huge";
    QTest::newRow("4000 catastrophic patterns before the entry") << "catastrophic";
}

// Whatever the user's cache holds at the list's path, card after card is identified at
// once: from the next list where the file is no list, from that list where it is one.
void TestEncodingService::hostileUserList() {
    QFETCH(QString, kind);
    QTemporaryDir cacheHome;
    QVERIFY(cacheHome.isValid());
    const QString userList = cacheHome.filePath(QStringLiteral("smartcard_list.txt"));
    QStringList descriptions;
    if (kind == QLatin1String("catastrophic")) {
        QFile file(userList);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(hostilelist::catastrophicEntries(4000) +
                   "3B 81 80 01 80 80\n\tFrom the user's list\n");
        descriptions << QStringLiteral("ATR: 3B8180018080\nFrom the user's list");
    } else {
        QVERIFY(hostilelist::makeListFile(userList, kind));
        descriptions = listedTexts("3B 81 80 01 80 80", "3B8180018080");
    }
    const QByteArray testCacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));

    WorkerHarness harness;
    auto card = cardWithAtr(vcard::atrs::desfireEv1);
    for (int cycle = 1; cycle <= 3; ++cycle) {
        emit harness.connectToReader(reader);
        QTRY_COMPARE(harness.uiMessages.count(noCardText), cycle);
        QVERIFY(card->insert(readerSlot));
        QTRY_COMPARE(harness.uiMessages.mid(harness.uiMessages.lastIndexOf(noCardText)),
                     QStringList({noCardText, "ATR: 3B8180018080"}) + descriptions);
        card->remove();
        QTRY_COMPARE(harness.removals, cycle);
    }
    QVERIFY(harness.popups.isEmpty());
    qputenv("XDG_CACHE_HOME", testCacheHome);
}

void TestEncodingService::interruption_data() {
    QTest::addColumn<QString>("readerName");
    QTest::addColumn<bool>("withCard");

    QTest::newRow("waiting for a card") << reader << false;
    QTest::newRow("waiting for removal") << reader << true;
    // What the window sends while its reader box still shows the placeholder.
    QTest::newRow("unknown reader") << "Please choose a reader..." << false;
}

void TestEncodingService::interruption() {
    QFETCH(QString, readerName);
    QFETCH(bool, withCard);

    DebugLog debug;
    auto card = cardWithAtr(vcard::atrs::desfireEv1);
    WorkerHarness harness;
    emit harness.connectToReader(readerName);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    if (withCard) {
        QVERIFY(card->insert(readerSlot));
        QTRY_COMPARE(debug.count("About to look for card exit"), 1);
    }

    harness.retire();
    QTRY_VERIFY(harness.finished());
    QCOMPARE(debug.count("Events were pending..."), 1);
    QCOMPARE(harness.removals, 0);
    QCOMPARE(harness.uiMessages.filter("SCARD_").size(), 0);
}

// The card came, but the worker was retired before it could connect (here it waited
// for another worker to be done with the card): it leaves the card to its successor,
// with no connection and so no reset.
void TestEncodingService::retiredBeforeConnectingLeavesTheCardAlone() {
    DebugLog debug;
    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});

    std::unique_lock<std::mutex> anotherWorker(cardSessionLock());
    auto card = cardWithAtr(vcard::atrs::desfireEv1);
    QVERIFY(card->insert(readerSlot));
    QTRY_COMPARE(debug.count("Card found"), 1);
    harness.retire();
    anotherWorker.unlock();

    QTRY_VERIFY(harness.finished());
    QCOMPARE(harness.uiMessages, QStringList{noCardText});
    const auto log = card->log();
    QCOMPARE(std::count(log.begin(), log.end(), std::string("RESET")), 0);
    QCOMPARE(harness.removals, 0);
}

// Retired in the middle of a long typed run, the worker finishes the line under way,
// sends no further line, reports every answer it has and lets the card go.
void TestEncodingService::retiredApduRunStopsBetweenLines() {
    const int lines = 20000;
    WorkerHarness harness;
    emit harness.sendAPDU(reader, QStringLiteral("80100001\n").repeated(lines).chopped(1));
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    auto card = cardWithAtr(vcard::atrs::t1Only);
    QVERIFY(card->insert(readerSlot));
    QTRY_VERIFY(card->commandCount() >= 20);

    harness.retire();
    QTRY_VERIFY(harness.finished());
    QTRY_COMPARE(harness.popups.size(), 1);
    const QStringList entries = harness.popups[0].second.split('\r');
    const int sent = card->commandCount();
    QVERIFY(sent < lines);
    QCOMPARE(entries.size(), sent);
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(entries[i], QStringLiteral("APDU Response %1: 009000").arg(i + 1));
    QVERIFY(testsupport::lastCommand(*card).resetAfter);
}

void TestEncodingService::refusedProtocol_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<vcard::Bytes>("atr");

    QTest::newRow("T0 APDU on a T1 card") << "t0 apdu" << vcard::atrs::t1Only;
    QTest::newRow("T1 APDU on a T0 card") << "t1 apdu" << vcard::atrs::t0Only;
    QTest::newRow("DESFire on a T0 card") << "desfire" << vcard::atrs::t0Only;
}

void TestEncodingService::refusedProtocol() {
    QFETCH(QString, request);
    QFETCH(vcard::Bytes, atr);

    DebugLog debug;
    WorkerHarness harness;
    if (request.startsWith("t0"))
        emit harness.sendT0(true);
    if (request.startsWith("t1"))
        emit harness.sendT1(true);
    if (request.endsWith("apdu"))
        emit harness.sendAPDU(reader, "00 84 00 00 08");
    else
        emit harness.sendDESFire(reader, true);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});

    auto card = cardWithAtr(atr);
    QVERIFY(card->insert(readerSlot));
    QTRY_COMPARE(harness.uiMessages, (QStringList{noCardText, "SCARD_E_PROTO_MISMATCH"}));
    QCOMPARE(debug.count("Received DESFire"), request == "desfire" ? 1 : 0);
    QCOMPARE(debug.count("DESFire needs T1"), request == "desfire" ? 1 : 0);

    // Not connected, so nothing was sent; the watch still reports the removal.
    QTRY_COMPARE(debug.count("About to look for card exit"), 1);
    QCOMPARE(card->commandCount(), 0);
    card->remove();
    QTRY_COMPARE(harness.removals, 1);
    QCOMPARE(harness.uiMessages.size(), 2);
}

void TestEncodingService::activeProtocol_data() {
    QTest::addColumn<vcard::Bytes>("atr");
    QTest::addColumn<const SCARD_IO_REQUEST *>("before");
    QTest::addColumn<const SCARD_IO_REQUEST *>("after");

    QTest::newRow("T0 card") << vcard::atrs::t0Only << pcsc::t1Pci() << pcsc::t0Pci();
    QTest::newRow("T1 card") << vcard::atrs::t1Only << pcsc::t0Pci() << pcsc::t1Pci();
}

void TestEncodingService::activeProtocol() {
    QFETCH(vcard::Bytes, atr);
    QFETCH(const SCARD_IO_REQUEST *, before);
    QFETCH(const SCARD_IO_REQUEST *, after);

    activeProtocolPci = before;
    DebugLog debug;
    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    auto card = cardWithAtr(atr);
    QVERIFY(card->insert(readerSlot));
    QTRY_COMPARE(debug.count("About to look for card exit"), 1);
    QCOMPARE(activeProtocolPci.load(), after);
}

void TestEncodingService::longAtr_data() {
    QTest::addColumn<vcard::Bytes>("atr");
    QTest::addColumn<QStringList>("texts");

    const char longest[] = "3BFF110000 81 F1FE4500 F1FE4500 3F0300 "
                           "4142434445464748494A4B4C4D4E4F 13";
    QTest::newRow("33 bytes") << vcard::fromHex(longest)
                              << QStringList{"ATR: " + QString(longest).remove(' ')};
    // pcscd itself keeps at most 33 bytes: it leaves such a card unpowered, so the
    // connection already fails.
    const char tooLong[] = "3BFF110000 81 F1FE4500 F1FE4500 7F030000 "
                           "4142434445464748494A4B4C4D4E4F 53";
    QTest::newRow("34 bytes") << vcard::fromHex(tooLong) << QStringList{"SCARD_W_UNPOWERED_CARD"};
}

void TestEncodingService::longAtr() {
    QFETCH(vcard::Bytes, atr);
    QFETCH(QStringList, texts);

    DebugLog debug;
    WorkerHarness harness;
    emit harness.connectToReader(reader);
    QTRY_COMPARE(harness.uiMessages, QStringList{noCardText});
    auto card = cardWithAtr(atr);
    QVERIFY(card->insert(readerSlot));
    QTRY_COMPARE(debug.count("About to look for card exit"), 1);
    QTRY_COMPARE(harness.uiMessages.mid(1), texts);
    card->remove();
    QTRY_COMPARE(harness.removals, 1);
}

QTEST_GUILESS_MAIN(TestEncodingService)
#include "tst_encoding_service.moc"

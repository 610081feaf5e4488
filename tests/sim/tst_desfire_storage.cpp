// The virtual DESFire card's applications, files and memory, and the printer stress
// test's whole command sequence.

#include "desfire_card.h"
#include "desfire_reader.h"
#include "hex.h"

#include <QtTest>

#include <stdexcept>

using namespace desfirereader;
using vcard::DesfireCard;
using vcard::fromHex;
namespace memory = vcard::desfire::memory;

Q_DECLARE_METATYPE(vcard::DesfireOptions)

namespace {

const Bytes createTestApplication = fromHex("90 CA 00 00 05 C8 28 68 0F 0E 00");
const Bytes selectTestApplication = fromHex("90 5A 00 00 03 C8 28 68 00");
const Bytes createTestFile = fromHex("90 CD 00 00 07 02 00 0E 0E 4C 1D 00 00");
const Bytes deleteTestApplication = fromHex("90 DA 00 00 03 C8 28 68 00");
const Bytes formatCard = fromHex("90 FC 00 00 00");
const Bytes ok = fromHex("91 00");
const Bytes more = fromHex("91 AF");

std::size_t freeMemoryOnTheWire(DesfireCard &card) {
    const Bytes answer = card.execute(wrap(0x6E));
    if (nativeStatus(answer) != 0x00 || answer.size() != 5)
        return 0;
    return answer[0] | answer[1] << 8 | answer[2] << 16;
}

Bytes aidOf(int n) {
    return {static_cast<std::uint8_t>(n), 0x10, 0x20};
}

} // namespace

class TestDesfireStorage : public QObject {
    Q_OBJECT

private slots:
    void stressTestOnFactoryCard();
    void stressTestWithApplicationPresent_data();
    void stressTestWithApplicationPresent();
    void stressTestCannotFormatWithOtherCardKey();
    void memoryAccounting_data();
    void memoryAccounting();
    void outOfMemory();
    void applicationLimits_data();
    void applicationLimits();
    void twentyEightApplicationsAndTheListInTwoFrames();
    void fileLimits_data();
    void fileLimits();
    void newFileReadsZero();
    void deletingAnotherApplicationKeepsCardAuthentication();
    void presetOptionsAreVisible();
    void impossibleOptionsAreRefused_data();
    void impossibleOptionsAreRefused();
};

// Every command exactly as the printer program sends it, every answer exactly as it
// must come back: status words alone, except the two authentications.
void TestDesfireStorage::stressTestOnFactoryCard() {
    DesfireCard card;
    QCOMPARE(card.execute(createTestApplication), ok);
    QCOMPARE(card.execute(selectTestApplication), ok);
    QCOMPARE(card.execute(createTestFile), ok);
    QCOMPARE(card.fileSize(testAid, 2), std::optional<std::size_t>(7500));
    QCOMPARE(card.execute(selectTestApplication), ok);

    const std::vector<Bytes> frames = stressWriteFrames();
    QCOMPARE(frames.size(), std::size_t{142});
    QCOMPARE(frames.front().size(), std::size_t{60});
    for (std::size_t i = 0; i < frames.size(); ++i)
        QCOMPARE(card.execute(frames[i]), i + 1 < frames.size() ? more : ok);
    QCOMPARE(card.fileContents(testAid, 2), stressPattern());
    QCOMPARE(card.freeMemory(), memory::capacity - 288 - 7520);

    const Authentication application = authenticate(card, 0, zeroKey);
    QCOMPARE(application.secondStatus, 0x00);
    QVERIFY(application.cardProven);
    QCOMPARE(card.execute(deleteTestApplication), ok);
    QCOMPARE(card.selectedApplication(), vcard::desfire::piccLevel);
    QCOMPARE(card.freeMemory(), memory::capacity - 288 - 7520); // until the format
    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00);
    QCOMPARE(card.execute(formatCard), ok);

    QVERIFY(card.applicationIds().empty());
    QCOMPARE(card.freeMemory(), memory::capacity);
    QCOMPARE(freeMemoryOnTheWire(card), memory::capacity);
}

// The application is already there: creating it again fails, the file is then created
// (or not) at the card level, and the rest runs on the existing application.
void TestDesfireStorage::stressTestWithApplicationPresent_data() {
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<int>("firstWriteStatus");
    QTest::addColumn<int>("laterWriteStatus");
    QTest::newRow("with file 2") << true << 0xAF << 0xAF;
    QTest::newRow("without files") << false << 0xF0 << 0x1C;
}

void TestDesfireStorage::stressTestWithApplicationPresent() {
    QFETCH(bool, withFile);
    QFETCH(int, firstWriteStatus);
    QFETCH(int, laterWriteStatus);
    vcard::DesfireFileSpec file;
    file.number = 2;
    file.accessRights = 0x0E0E;
    file.size = 7500;
    DesfireCard card(withFile ? withTestApplication({file}) : withTestApplication());

    QCOMPARE(nativeStatus(card.execute(createTestApplication)), 0xDE);
    QCOMPARE(nativeStatus(card.execute(createTestFile)), 0x9D); // card level selected
    QCOMPARE(card.execute(selectTestApplication), ok);
    const std::vector<Bytes> frames = stressWriteFrames();
    QCOMPARE(nativeStatus(card.execute(frames.front())), firstWriteStatus);
    for (std::size_t i = 1; i + 1 < frames.size(); ++i)
        QCOMPARE(nativeStatus(card.execute(frames[i])), laterWriteStatus);
    QCOMPARE(nativeStatus(card.execute(frames.back())), withFile ? 0x00 : 0x1C);
    if (withFile)
        QCOMPARE(card.fileContents(testAid, 2), stressPattern());

    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00);
    QCOMPARE(card.execute(deleteTestApplication), ok);
    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00);
    QCOMPARE(card.execute(formatCard), ok);
    QVERIFY(card.applicationIds().empty());
}

void TestDesfireStorage::stressTestCannotFormatWithOtherCardKey() {
    vcard::DesfireOptions options;
    options.piccMasterKey = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    DesfireCard card(options);
    QCOMPARE(card.execute(createTestApplication), ok);
    QCOMPARE(card.execute(selectTestApplication), ok);
    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00); // the application's key
    QCOMPARE(card.execute(deleteTestApplication), ok);
    QCOMPARE(card.execute(createTestApplication), ok);
    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0xAE);
    QCOMPARE(card.execute(formatCard), fromHex("91 AE"));
    QCOMPARE(card.applicationIds(), std::vector<vcard::desfire::Aid>{testAid});
}

void TestDesfireStorage::memoryAccounting_data() {
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("fileSize"); // -1: no file
    QTest::addColumn<int>("used");

    QTest::newRow("application with 1 key") << 1 << -1 << 96;
    QTest::newRow("application with 2 keys") << 2 << -1 << 96;
    QTest::newRow("application with 3 keys") << 3 << -1 << 128;
    QTest::newRow("application with 14 keys") << 14 << -1 << 288;
    QTest::newRow("file of 0 bytes") << 1 << 0 << 96;
    QTest::newRow("file of 1 byte") << 1 << 1 << 96 + 32;
    QTest::newRow("file of 32 bytes") << 1 << 32 << 96 + 32;
    QTest::newRow("file of 33 bytes") << 1 << 33 << 96 + 64;
    QTest::newRow("stress test file") << 14 << 7500 << 288 + 7520;
}

void TestDesfireStorage::memoryAccounting() {
    QFETCH(int, keys);
    QFETCH(int, fileSize);
    QFETCH(int, used);
    DesfireCard card;
    QCOMPARE(freeMemoryOnTheWire(card), std::size_t{7936});

    QCOMPARE(run(card, 0xCA, {0x01, 0x02, 0x03, 0x0F, static_cast<std::uint8_t>(keys)}), 0x00);
    if (fileSize >= 0) {
        QCOMPARE(run(card, 0x5A, {0x01, 0x02, 0x03}), 0x00);
        QCOMPARE(run(card, 0xCD,
                     {0x01, 0x00, 0xEE, 0xEE, static_cast<std::uint8_t>(fileSize),
                      static_cast<std::uint8_t>(fileSize >> 8), 0x00}),
                 0x00);
    }
    QCOMPARE(freeMemoryOnTheWire(card), std::size_t(7936 - used));
    QCOMPARE(card.freeMemory(), std::size_t(7936 - used));

    QCOMPARE(run(card, 0x5A, {0x00, 0x00, 0x00}), 0x00);
    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00);
    // A deleted application's memory stays used until the card is formatted.
    QCOMPARE(run(card, 0xDA, {0x01, 0x02, 0x03}), 0x00);
    QCOMPARE(freeMemoryOnTheWire(card), std::size_t(7936 - used));
    QCOMPARE(run(card, 0xFC, {}), 0x00);
    QCOMPARE(freeMemoryOnTheWire(card), std::size_t{7936});
}

void TestDesfireStorage::outOfMemory() {
    DesfireCard card(withTestApplication()); // 288 bytes taken
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    const std::size_t left = card.freeMemory();
    QCOMPARE(left, std::size_t{7648});
    QCOMPARE(run(card, 0xCD, {0x01, 0x00, 0xEE, 0xEE, 0xE1, 0x1D, 0x00}), 0x0E); // 7649
    QCOMPARE(run(card, 0xCD, {0x01, 0x00, 0xEE, 0xEE, 0xC0, 0x1D, 0x00}), 0x00); // 7616
    QCOMPARE(card.freeMemory(), std::size_t{32});
    QCOMPARE(run(card, 0x5A, {0x00, 0x00, 0x00}), 0x00);
    QCOMPARE(run(card, 0xCA, {0x01, 0x02, 0x03, 0x0F, 0x01}), 0x0E); // needs 96
    QCOMPARE(card.applicationIds().size(), std::size_t{1});
}

void TestDesfireStorage::applicationLimits_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");
    QTest::newRow("duplicate") << "C82868 0F 01" << 0xDE;
    QTest::newRow("card level AID") << "000000 0F 01" << 0x9E;
    QTest::newRow("no keys") << "010203 0F 00" << 0x9E;
    QTest::newRow("15 keys") << "010203 0F 0F" << 0x9E;
    QTest::newRow("unknown key type") << "010203 0F C1" << 0x9E;
    QTest::newRow("14 keys") << "010203 0F 0E" << 0x00;
    QTest::newRow("three-key DES keys") << "010203 0F 41" << 0x00;
}

void TestDesfireStorage::applicationLimits() {
    QFETCH(QString, command);
    QFETCH(int, status);
    DesfireCard card(withTestApplication());
    QCOMPARE(run(card, 0xCA, fromHex(command.toStdString())), status);
    QCOMPARE(card.applicationIds().size(), std::size_t(status == 0x00 ? 2 : 1));
}

void TestDesfireStorage::twentyEightApplicationsAndTheListInTwoFrames() {
    DesfireCard card;
    Bytes expected;
    for (int n = 1; n <= 28; ++n) {
        Bytes data = aidOf(n);
        expected.insert(expected.end(), data.begin(), data.end());
        data.insert(data.end(), {0x0F, 0x01});
        QCOMPARE(run(card, 0xCA, data), 0x00);
    }
    Bytes last = aidOf(29);
    last.insert(last.end(), {0x0F, 0x01});
    QCOMPARE(run(card, 0xCA, last), 0xCE);

    const Bytes first = card.execute(wrap(0x6A));
    QCOMPARE(nativeStatus(first), 0xAF);
    QCOMPARE(answerData(first).size(), std::size_t{57});
    const Bytes second = card.execute(wrap(0xAF));
    QCOMPARE(nativeStatus(second), 0x00);
    Bytes listed = answerData(first);
    const Bytes rest = answerData(second);
    listed.insert(listed.end(), rest.begin(), rest.end());
    QCOMPARE(listed, expected); // in order of creation
}

void TestDesfireStorage::fileLimits_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");
    QTest::newRow("duplicate number") << "02 00 EEEE 200000" << 0xDE;
    QTest::newRow("number 1F") << "1F 00 EEEE 200000" << 0x00;
    QTest::newRow("number 20") << "20 00 EEEE 200000" << 0x9E;
    QTest::newRow("MACed") << "05 01 EEEE 200000" << 0x00;
    QTest::newRow("enciphered") << "05 03 EEEE 200000" << 0x00;
    QTest::newRow("communication 02") << "05 02 EEEE 200000" << 0x9E;
}

void TestDesfireStorage::fileLimits() {
    QFETCH(QString, command);
    QFETCH(int, status);
    vcard::DesfireFileSpec file;
    file.number = 2;
    file.size = 10;
    DesfireCard card(withTestApplication({file}));
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(run(card, 0xCD, fromHex(command.toStdString())), status);
    const Bytes ids = answerData(card.execute(wrap(0x6F)));
    QCOMPARE(ids.size(), std::size_t(status == 0x00 ? 2 : 1));
}

void TestDesfireStorage::newFileReadsZero() {
    DesfireCard card(withTestApplication());
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    for (std::uint8_t number = 0; number <= vcard::desfire::maxFileNumber; ++number)
        QCOMPARE(run(card, 0xCD, {number, 0x00, 0xEE, 0xEE, 0x08, 0x00, 0x00}), 0x00);
    QCOMPARE(answerData(card.execute(wrap(0x6F))).size(), std::size_t{32});
    const Bytes read = card.execute(wrap(0xBD, fromHex("1F 000000 000000")));
    QCOMPARE(read, fromHex("0000000000000000 9100"));
}

void TestDesfireStorage::deletingAnotherApplicationKeepsCardAuthentication() {
    vcard::DesfireOptions options = withTestApplication();
    vcard::DesfireApplicationSpec other;
    other.aid = {0x01, 0x02, 0x03};
    options.applications.push_back(other);
    DesfireCard card(options);
    QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00);
    QCOMPARE(run(card, 0xDA, {0x01, 0x02, 0x03}), 0x00);
    QCOMPARE(card.authenticatedKey(), std::optional<int>(0));
    QCOMPARE(run(card, 0xDA, aidBytes(testAid)), 0x00);
    QVERIFY(card.applicationIds().empty());
}

void TestDesfireStorage::presetOptionsAreVisible() {
    vcard::DesfireFileSpec file;
    file.number = 4;
    file.size = 70;
    file.contents = fromHex("CAFE");
    vcard::DesfireOptions options = withTestApplication({file});
    options.applications.front().keySettings = 0x0B;
    options.applications.front().keyCountByte = 0x03;
    DesfireCard card(options);

    QCOMPARE(card.applicationIds(), std::vector<vcard::desfire::Aid>{testAid});
    Bytes expected(70, 0x00);
    expected[0] = 0xCA;
    expected[1] = 0xFE;
    QCOMPARE(card.fileContents(testAid, 4), expected);
    QCOMPARE(card.fileSize(testAid, 4), std::optional<std::size_t>(70));
    QCOMPARE(card.fileSize(testAid, 5), std::optional<std::size_t>());
    QCOMPARE(card.fileSize({0x01, 0x02, 0x03}, 4), std::optional<std::size_t>());
    QCOMPARE(card.freeMemory(), std::size_t{7936 - 128 - 96});

    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(answerData(card.execute(wrap(0x45))), fromHex("0B 03"));
    QCOMPARE(answerData(card.execute(wrap(0x6F))), fromHex("04"));
    QCOMPARE(card.execute(wrap(0xBD, fromHex("04 000000 030000"))), fromHex("CAFE00 9100"));
}

void TestDesfireStorage::impossibleOptionsAreRefused_data() {
    QTest::addColumn<vcard::DesfireOptions>("options");
    vcard::DesfireOptions duplicate = withTestApplication();
    duplicate.applications.push_back(duplicate.applications.front());
    QTest::newRow("duplicate AID") << duplicate;

    vcard::DesfireOptions cardLevel;
    cardLevel.applications.emplace_back();
    QTest::newRow("AID 000000") << cardLevel;

    vcard::DesfireOptions noKeys = withTestApplication();
    noKeys.applications.front().keyCountByte = 0x00;
    QTest::newRow("no keys") << noKeys;

    vcard::DesfireOptions tooManyKeys = withTestApplication();
    tooManyKeys.applications.front().keyCountByte = 0x01;
    tooManyKeys.applications.front().keys.resize(2);
    QTest::newRow("more keys than the application has") << tooManyKeys;

    vcard::DesfireFileSpec big;
    big.number = 1;
    big.size = 7649;
    QTest::newRow("file beyond the memory") << withTestApplication({big});

    vcard::DesfireFileSpec overfull;
    overfull.number = 1;
    overfull.size = 1;
    overfull.contents = fromHex("0102");
    QTest::newRow("contents longer than the file") << withTestApplication({overfull});

    vcard::DesfireFileSpec numbered;
    numbered.number = 0x20;
    QTest::newRow("file number 20") << withTestApplication({numbered});

    vcard::DesfireOptions many;
    for (int n = 1; n <= 29; ++n) {
        vcard::DesfireApplicationSpec app;
        app.aid = {static_cast<std::uint8_t>(n), 0x10, 0x20};
        app.keyCountByte = 0x01;
        many.applications.push_back(app);
    }
    QTest::newRow("29 applications") << many;
}

void TestDesfireStorage::impossibleOptionsAreRefused() {
    QFETCH(vcard::DesfireOptions, options);
    QVERIFY_EXCEPTION_THROWN(DesfireCard card(options), std::invalid_argument);
}

QTEST_GUILESS_MAIN(TestDesfireStorage)
#include "tst_desfire_storage.moc"

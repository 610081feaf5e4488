// The virtual DESFire card's legacy DES authentication, key settings and access
// rights, with the reader's cryptograms computed independently of the card.

#include "desfire_card.h"
#include "desfire_reader.h"
#include "hex.h"

#include <QtTest>

using namespace desfirereader;
using vcard::DesfireCard;
using vcard::fromHex;

Q_DECLARE_METATYPE(vcard::desfire::DesKey)

namespace {

const DesKey keyA{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
const DesKey keyB{0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE};
// keyA with every parity bit flipped: the key version differs, the DES key does not.
const DesKey keyAOtherVersion{0x00, 0x22, 0x44, 0x66, 0x88, 0xAA, 0xCC, 0xEE};

// Application keys 0..3 all different and none zero, so that authenticating with one
// key cannot pass for another.
DesKey appKey(int number) {
    DesKey key = keyB;
    key[0] = static_cast<std::uint8_t>(0x20 + number * 0x10);
    return key;
}

vcard::DesfireOptions keyedCard(std::uint8_t piccSettings, std::uint8_t appSettings,
                                std::uint16_t fileRights = 0xEEEE) {
    vcard::DesfireOptions options;
    options.piccMasterKey = keyA;
    options.piccKeySettings = piccSettings;
    vcard::DesfireApplicationSpec app;
    app.aid = testAid;
    app.keySettings = appSettings;
    app.keyCountByte = 0x04;
    for (int i = 0; i < 4; ++i)
        app.keys.push_back(appKey(i));
    vcard::DesfireFileSpec file;
    file.number = 1;
    file.accessRights = fileRights;
    file.size = 32;
    app.files.push_back(file);
    options.applications.push_back(app);
    return options;
}

const Bytes otherAid{0x01, 0x02, 0x03};

// Native command and its data as hex, e.g. "CA 010203 0F 01".
int runHex(DesfireCard &card, const QString &command) {
    const Bytes native = fromHex(command.toStdString());
    return run(card, native.front(), Bytes(native.begin() + 1, native.end()));
}

} // namespace

class TestDesfireSecurity : public QObject {
    Q_OBJECT

private slots:
    void desMatchesPublishedVector();
    void authentication_data();
    void authentication();
    void authenticationRefusals_data();
    void authenticationRefusals();
    void nonDesApplicationRefusesLegacyAuthentication();
    void authenticationClearedOrKept_data();
    void authenticationClearedOrKept();
    void deletingSelectedApplicationReturnsToCardLevel();
    void cardKeySettings_data();
    void cardKeySettings();
    void applicationKeySettings_data();
    void applicationKeySettings();
    void fileAccessRights_data();
    void fileAccessRights();
    void commandLevels_data();
    void commandLevels();
};

void TestDesfireSecurity::desMatchesPublishedVector() {
    const Block plain{0x4E, 0x6F, 0x77, 0x20, 0x69, 0x73, 0x20, 0x74}; // "Now is t"
    const Block cipher{0x3F, 0xA4, 0x0E, 0x8A, 0x98, 0x4D, 0x48, 0x15};
    QCOMPARE(vcard::desfire::desEncipher(keyA, plain), cipher);
    QCOMPARE(vcard::desfire::desDecipher(keyA, cipher), plain);
    QCOMPARE(encipher(keyA, plain), cipher); // the tests' own DES agrees
}

// Each row runs at the card level (card master key) and with key 2 of an application.
void TestDesfireSecurity::authentication_data() {
    QTest::addColumn<DesKey>("cardKey");
    QTest::addColumn<DesKey>("readerKey");
    QTest::addColumn<bool>("swapDirections");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("factory zero key") << zeroKey << zeroKey << false << true;
    // The zero key is weak: enciphering equals deciphering, so a reader that mixes them
    // up still passes. The non-zero rows are the ones that catch it.
    QTest::newRow("zero key, reader enciphers") << zeroKey << zeroKey << true << true;
    QTest::newRow("non-zero key") << keyA << keyA << false << true;
    QTest::newRow("non-zero key, reader enciphers") << keyA << keyA << true << false;
    QTest::newRow("other key version, same key") << keyA << keyAOtherVersion << false << true;
    QTest::newRow("wrong key") << keyA << keyB << false << false;
    QTest::newRow("zero key against a keyed card") << keyA << zeroKey << false << false;
    QTest::newRow("keyed reader against a zero key") << zeroKey << keyA << false << false;
}

void TestDesfireSecurity::authentication() {
    QFETCH(DesKey, cardKey);
    QFETCH(DesKey, readerKey);
    QFETCH(bool, swapDirections);
    QFETCH(bool, accepted);

    vcard::DesfireOptions options;
    options.piccMasterKey = cardKey;
    vcard::DesfireApplicationSpec app;
    app.aid = testAid;
    app.keys = {keyB, keyB, cardKey};
    options.applications.push_back(app);

    for (const int level : {0, 1}) {
        const QByteArray where = level == 0 ? "card level" : "application key 2";
        DesfireCard card(options);
        std::uint8_t keyNumber = 0;
        if (level == 1) {
            QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
            keyNumber = 2;
        }
        const Authentication result = authenticate(card, keyNumber, readerKey, swapDirections);
        QVERIFY2(result.firstStatus == 0xAF, where);
        QVERIFY2(result.secondStatus == (accepted ? 0x00 : 0xAE), where);
        QVERIFY2(result.cardProven == accepted, where);
        QVERIFY2(card.authenticatedKey() ==
                     (accepted ? std::optional<int>(keyNumber) : std::optional<int>()),
                 where);
    }
}

void TestDesfireSecurity::authenticationRefusals_data() {
    QTest::addColumn<bool>("inApplication");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");
    QTest::newRow("card level has only key 0") << false << "0A 01" << 0x40;
    QTest::newRow("application key past its 4 keys") << true << "0A 04" << 0x40;
    QTest::newRow("key number far out") << true << "0A 0E" << 0x40;
    QTest::newRow("key number missing") << true << "0A" << 0x7E;
}

void TestDesfireSecurity::authenticationRefusals() {
    QFETCH(bool, inApplication);
    QFETCH(QString, command);
    QFETCH(int, status);
    DesfireCard card(keyedCard(0x0F, 0x0F));
    if (inApplication)
        QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(authenticate(card, 0, inApplication ? appKey(0) : keyA).secondStatus, 0x00);

    QCOMPARE(runHex(card, command), status);
    QVERIFY(!card.authenticated());
    QCOMPARE(run(card, 0xAF, Bytes(16, 0x00)), 0x1C); // no second step pending
}

void TestDesfireSecurity::nonDesApplicationRefusesLegacyAuthentication() {
    DesfireCard card;
    QCOMPARE(runHex(card, "CA 010203 0F 82"), 0x00); // two AES keys
    QCOMPARE(run(card, 0x5A, otherAid), 0x00);
    QCOMPARE(run(card, 0x0A, {0x00}), 0xAE);
    QCOMPARE(run(card, 0x45), 0x00);
    QCOMPARE(answerData(card.execute(wrap(0x45))), fromHex("0F 82"));
}

// Authenticated with the test application's master key, then one command.
void TestDesfireSecurity::authenticationClearedOrKept_data() {
    QTest::addColumn<QString>("apdu");
    QTest::addColumn<bool>("kept");
    QTest::newRow("select the same application") << "90 5A 00 00 03 C82868 00" << false;
    QTest::newRow("select the card level") << "90 5A 00 00 03 000000 00" << false;
    QTest::newRow("failed selection") << "90 5A 00 00 03 010203 00" << false;
    QTest::newRow("new authentication, first step") << "90 0A 00 00 01 01 00" << false;
    QTest::newRow("failed read, missing file") << "90 BD 00 00 07 07 000000 010000 00" << false;
    QTest::newRow("unknown command") << "90 01 00 00 00" << false;
    QTest::newRow("length error") << "90 6E 00 00 01 00 00" << false;
    QTest::newRow("duplicate file") << "90 CD 00 00 07 01 00 EEEE 200000 00" << false;
    QTest::newRow("free memory") << "90 6E 00 00 00" << true;
    QTest::newRow("file IDs") << "90 6F 00 00 00" << true;
    QTest::newRow("write") << "90 3D 00 00 08 01 000000 010000 FF 00" << true;
    QTest::newRow("new file") << "90 CD 00 00 07 05 00 EEEE 200000 00" << true;
    QTest::newRow("version, first frame") << "90 60 00 00 00" << true;
    QTest::newRow("refused at the ISO layer") << "00 6E 00 00 00" << true;
}

void TestDesfireSecurity::authenticationClearedOrKept() {
    QFETCH(QString, apdu);
    QFETCH(bool, kept);
    DesfireCard card(keyedCard(0x0F, 0x0F));
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(authenticate(card, 0, appKey(0)).secondStatus, 0x00);
    card.execute(fromHex(apdu.toStdString()));
    QCOMPARE(card.authenticated(), kept);
}

void TestDesfireSecurity::deletingSelectedApplicationReturnsToCardLevel() {
    DesfireCard card(keyedCard(0x0F, 0x0F));
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(authenticate(card, 0, appKey(0)).secondStatus, 0x00);
    QCOMPARE(run(card, 0xDA, aidBytes(testAid)), 0x00);
    QCOMPARE(card.selectedApplication(), vcard::desfire::piccLevel);
    QVERIFY(!card.authenticated());
    QCOMPARE(run(card, 0xFC), 0xAE);
    QCOMPARE(authenticate(card, 0, keyA).secondStatus, 0x00);
    QCOMPARE(run(card, 0xFC), 0x00);
    QVERIFY(!card.authenticated()); // formatting ends the authentication too
}

// At the card level, with or without the card master key.
void TestDesfireSecurity::cardKeySettings_data() {
    QTest::addColumn<int>("settings");
    QTest::addColumn<bool>("authenticated");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");

    QTest::newRow("create application, free") << 0x0F << false << "CA 010203 0F 01" << 0x00;
    QTest::newRow("create application, bit 2 clear") << 0x0B << false << "CA 010203 0F 01" << 0xAE;
    QTest::newRow("create application, bit 2 clear, key")
        << 0x0B << true << "CA 010203 0F 01" << 0x00;
    QTest::newRow("list applications, free") << 0x0F << false << "6A" << 0x00;
    QTest::newRow("list applications, bit 1 clear") << 0x0D << false << "6A" << 0xAE;
    QTest::newRow("list applications, bit 1 clear, key") << 0x0D << true << "6A" << 0x00;
    QTest::newRow("key settings, free") << 0x0F << false << "45" << 0x00;
    QTest::newRow("key settings, bit 1 clear") << 0x0D << false << "45" << 0xAE;
    QTest::newRow("key settings, bit 1 clear, key") << 0x0D << true << "45" << 0x00;
    QTest::newRow("delete application") << 0x0F << false << "DA C82868" << 0xAE;
    QTest::newRow("delete application, key") << 0x0F << true << "DA C82868" << 0x00;
    QTest::newRow("delete unknown application, key") << 0x0F << true << "DA 010203" << 0xA0;
    QTest::newRow("format") << 0x0F << false << "FC" << 0xAE;
    QTest::newRow("format, key") << 0x0F << true << "FC" << 0x00;
    QTest::newRow("free memory, nothing free") << 0x00 << false << "6E" << 0x00;
    QTest::newRow("version, nothing free") << 0x00 << false << "60" << 0xAF;
    QTest::newRow("select, nothing free") << 0x00 << false << "5A C82868" << 0x00;
}

void TestDesfireSecurity::cardKeySettings() {
    QFETCH(int, settings);
    QFETCH(bool, authenticated);
    QFETCH(QString, command);
    QFETCH(int, status);
    DesfireCard card(keyedCard(static_cast<std::uint8_t>(settings), 0x0F));
    if (authenticated)
        QCOMPARE(authenticate(card, 0, keyA).secondStatus, 0x00);
    QCOMPARE(runHex(card, command), status);
}

void TestDesfireSecurity::applicationKeySettings_data() {
    QTest::addColumn<int>("settings");
    QTest::addColumn<int>("key"); // -1: not authenticated
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");

    const QString createFile = "CD 05 00 EEEE 200000";
    QTest::newRow("create file, free") << 0x0F << -1 << createFile << 0x00;
    QTest::newRow("create file, bit 2 clear") << 0x0B << -1 << createFile << 0xAE;
    QTest::newRow("create file, bit 2 clear, key 1") << 0x0B << 1 << createFile << 0xAE;
    QTest::newRow("create file, bit 2 clear, master key") << 0x0B << 0 << createFile << 0x00;
    QTest::newRow("list files, free") << 0x0F << -1 << "6F" << 0x00;
    QTest::newRow("list files, bit 1 clear") << 0x0D << -1 << "6F" << 0xAE;
    QTest::newRow("list files, bit 1 clear, key 3") << 0x0D << 3 << "6F" << 0xAE;
    QTest::newRow("list files, bit 1 clear, master key") << 0x0D << 0 << "6F" << 0x00;
    QTest::newRow("key settings, bit 1 clear") << 0x0D << -1 << "45" << 0xAE;
    QTest::newRow("key settings, bit 1 clear, master key") << 0x0D << 0 << "45" << 0x00;
    QTest::newRow("delete itself") << 0x0F << -1 << "DA C82868" << 0xAE;
    QTest::newRow("delete itself, key 1") << 0x0F << 1 << "DA C82868" << 0xAE;
    QTest::newRow("delete itself, master key") << 0x0F << 0 << "DA C82868" << 0x00;
}

void TestDesfireSecurity::applicationKeySettings() {
    QFETCH(int, settings);
    QFETCH(int, key);
    QFETCH(QString, command);
    QFETCH(int, status);
    DesfireCard card(keyedCard(0x0F, static_cast<std::uint8_t>(settings)));
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    if (key >= 0)
        QCOMPARE(authenticate(card, static_cast<std::uint8_t>(key), appKey(key)).secondStatus,
                 0x00);
    QCOMPARE(runHex(card, command), status);
}

// File 1 with the given rights (Read, Write, ReadWrite, Change nibbles).
void TestDesfireSecurity::fileAccessRights_data() {
    QTest::addColumn<int>("rights");
    QTest::addColumn<int>("key"); // -1: not authenticated
    QTest::addColumn<bool>("read");
    QTest::addColumn<bool>("write");

    QTest::newRow("all free") << 0xEEEE << -1 << true << true;
    QTest::newRow("stress test rights, no key") << 0x0E0E << -1 << false << true;
    QTest::newRow("stress test rights, key 0") << 0x0E0E << 0 << true << true;
    QTest::newRow("stress test rights, key 1") << 0x0E0E << 1 << false << true;
    QTest::newRow("read 1 write 2, key 1") << 0x12FF << 1 << true << false;
    QTest::newRow("read 1 write 2, key 2") << 0x12FF << 2 << false << true;
    QTest::newRow("read 1 write 2, no key") << 0x12FF << -1 << false << false;
    QTest::newRow("read-write 3, key 3") << 0xFF3F << 3 << true << true;
    QTest::newRow("read-write 3, key 0") << 0xFF3F << 0 << false << false;
    QTest::newRow("read-write free") << 0xFFEF << -1 << true << true;
    QTest::newRow("all denied, master key") << 0xFFFF << 0 << false << false;
}

void TestDesfireSecurity::fileAccessRights() {
    QFETCH(int, rights);
    QFETCH(int, key);
    QFETCH(bool, read);
    QFETCH(bool, write);
    DesfireCard card(keyedCard(0x0F, 0x0F, static_cast<std::uint16_t>(rights)));
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    if (key >= 0)
        QCOMPARE(authenticate(card, static_cast<std::uint8_t>(key), appKey(key)).secondStatus,
                 0x00);

    QCOMPARE(runHex(card, "BD 01 000000 040000"), read ? 0x00 : 0x9D);
    // A refusal ends the authentication: authenticate again before the write.
    if (!read && key >= 0)
        QCOMPARE(authenticate(card, static_cast<std::uint8_t>(key), appKey(key)).secondStatus,
                 0x00);
    QCOMPARE(runHex(card, "3D 01 000000 040000 DEADBEEF"), write ? 0x00 : 0x9D);
    const Bytes expected = write ? fromHex("DEADBEEF") : Bytes(4, 0x00);
    const Bytes contents = card.fileContents(testAid, 1).value();
    QCOMPARE(Bytes(contents.begin(), contents.begin() + 4), expected);
}

// Card-level commands with an application selected, application commands at the
// card level: 9D, even with the master key of the level in use.
void TestDesfireSecurity::commandLevels_data() {
    QTest::addColumn<bool>("inApplication");
    QTest::addColumn<QString>("command");
    QTest::newRow("create application inside one") << true << "CA 010203 0F 01";
    QTest::newRow("list applications inside one") << true << "6A";
    QTest::newRow("create file at card level") << false << "CD 02 00 0E0E 4C1D00";
    QTest::newRow("write at card level") << false << "3D 02 000000 010000 FF";
    QTest::newRow("read at card level") << false << "BD 01 000000 010000";
    QTest::newRow("list files at card level") << false << "6F";
}

void TestDesfireSecurity::commandLevels() {
    QFETCH(bool, inApplication);
    QFETCH(QString, command);
    DesfireCard card(keyedCard(0x0F, 0x0F));
    if (inApplication)
        QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(authenticate(card, 0, inApplication ? appKey(0) : keyA).secondStatus, 0x00);
    QCOMPARE(runHex(card, command), 0x9D);
    QCOMPARE(card.applicationIds(), std::vector<vcard::desfire::Aid>{testAid});
}

QTEST_GUILESS_MAIN(TestDesfireSecurity)
#include "tst_desfire_security.moc"

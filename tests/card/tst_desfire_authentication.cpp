#include "card/desfire_authentication.h"
#include "card/desfire_crypto.h"
#include "card_test_support.h"
#include "desfire_card.h"
#include "hex.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "stdout_capture.h"
#include "vpcd_link.h"

#include <QtTest>

Q_DECLARE_METATYPE(desfire::DesBlock)

using cardtest::ConnectedCard;
using cardtest::RecordedReports;

namespace {

const QString authenticateCommand = QStringLiteral("900A0000010000");

vcard::DesfireOptions withPiccKey(const desfire::DesBlock &key) {
    vcard::DesfireOptions options;
    options.piccMasterKey = key;
    return options;
}

} // namespace

class TestDesfireAuthentication : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void againstTheCard_data();
    void againstTheCard();
    void madeUpAnswers_data();
    void madeUpAnswers();
    void freshChallengeEachCall();
    void cardWithoutDesfire();
    void challengeTooLongForTheBuffer();
};

void TestDesfireAuthentication::againstTheCard_data() {
    QTest::addColumn<desfire::DesBlock>("piccKey");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("console");
    // The second line is the answer's status word, behind the 8-byte cryptogram.
    QTest::newRow("factory key") << desfire::DesBlock{} << true << "91 00"
                                 << "AUTH, 91:AF\nAUTH, 91:00\n";
    QTest::newRow("other key") << desfire::DesBlock{1, 2, 3, 4, 5, 6, 7, 8} << false << "91 AE"
                               << "AUTH, 91:AF\nAUTH, 91:AE\n";
}

void TestDesfireAuthentication::againstTheCard() {
    QFETCH(desfire::DesBlock, piccKey);
    QFETCH(bool, accepted);
    QFETCH(QString, answer);
    QFETCH(QString, console);

    auto desfireCard = std::make_shared<vcard::DesfireCard>(withPiccKey(piccKey));
    ConnectedCard card(desfireCard, SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    StdoutCapture capture;
    const DesfireAuthentication got = desfireAuthenticate(card.handle(), reports);
    QCOMPARE(got.keyProved(), accepted);
    QVERIFY(got.confirmation);
    QCOMPARE(got.confirmation->text(), answer);
    QCOMPARE(got.fault ? got.fault->text() : QString(), accepted ? QString() : answer);
    QCOMPARE(cardtest::withoutDebugLines(capture.text()), console);
    QCOMPARE(reports.uiMessages, QStringList());
    bool authenticated = false;
    card.link().withCard(
        [&](vcard::VirtualCard &) { authenticated = desfireCard->authenticated(); });
    QCOMPARE(authenticated, accepted);
}

void TestDesfireAuthentication::madeUpAnswers_data() {
    QTest::addColumn<QString>("challenge");    // hex; "-": the card's own
    QTest::addColumn<QString>("confirmation"); // the same
    QTest::addColumn<QString>("fault");        // empty: the key was proved
    QTest::addColumn<QString>("console");

    QTest::newRow("the card's own answers") << "-"
                                            << "-"
                                            << ""
                                            << "AUTH, 91:AF\nAUTH, 91:00\n";
    QTest::newRow("bare 91 00 twice") << "9100"
                                      << "9100"
                                      << "91 00"
                                      << "AUTH, 91:00\nAUTH, 91:00\n";
    QTest::newRow("8 bytes and 91 58, then 91 00") << "0102030405060708 9158"
                                                   << "9100"
                                                   << "91 58"
                                                   << "AUTH, 91:58\nAUTH, 91:00\n";
    QTest::newRow("right status words, wrong cryptogram")
        << "-"
        << "0000000000000000 9100"
        << "the card's answer does not prove the key"
        << "AUTH, 91:AF\nAUTH, 91:00\n";
    QTest::newRow("short answers") << "A1A2A3A4 91AF"
                                   << "B1B2 9100"
                                   << "an answer of 6 bytes where 8 and a status word were due"
                                   << "AUTH, 91:AF\nAUTH, 91:00\n";
    QTest::newRow("8 bytes without a status word")
        << "-"
        << "0102030405060708"
        << "an answer of 8 bytes where 8 and a status word were due"
        << "AUTH, 91:AF\nAUTH, 07:08\n";
}

// A card that answers the authentication as told, and lets it pass whatever the
// reader sent: the second frame still goes out and the console lines are as always,
// and only a card that proved the key counts.
void TestDesfireAuthentication::madeUpAnswers() {
    QFETCH(QString, challenge);
    QFETCH(QString, confirmation);
    QFETCH(QString, fault);
    QFETCH(QString, console);
    const auto answer = [](const QString &hex) -> std::optional<vcard::Bytes> {
        if (hex == QLatin1String("-"))
            return std::nullopt;
        return vcard::fromHex(hex.toStdString());
    };
    vcard::DesfireOptions options;
    options.madeUpAuthentication =
        vcard::MadeUpAuthentication{answer(challenge), answer(confirmation), false};
    ConnectedCard card(std::make_shared<vcard::DesfireCard>(options), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    StdoutCapture capture;
    const DesfireAuthentication got = desfireAuthenticate(card.handle(), reports);
    QCOMPARE(got.fault ? got.fault->text() : QString(), fault);
    QCOMPARE(got.keyProved(), fault.isEmpty());
    QCOMPARE(cardtest::withoutDebugLines(capture.text()), console);
    QCOMPARE(reports.uiMessages, QStringList());
    QCOMPARE(card.commands().size(), 2);
}

// The same first command every time; the second differs with the card's challenge
// while D1, which depends on the key alone, stays the same.
void TestDesfireAuthentication::freshChallengeEachCall() {
    ConnectedCard card(std::make_shared<vcard::DesfireCard>(), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    QVERIFY(desfireAuthenticate(card.handle(), reports).keyProved());
    QVERIFY(desfireAuthenticate(card.handle(), reports).keyProved());
    const QStringList sent = card.commands();
    QCOMPARE(sent.size(), 4);
    QCOMPARE(sent[0], authenticateCommand);
    QCOMPARE(sent[2], authenticateCommand);
    QVERIFY(sent[1].startsWith(QLatin1String("90AF000010")));
    QCOMPARE(sent[1].size(), 2 * 22);
    QCOMPARE(sent[1].left(26), sent[3].left(26)); // header and D1
    QVERIFY(sent[1].mid(26) != sent[3].mid(26));  // D2
}

// A card that answers with a status word alone still gets the second command, built
// from what a zero-filled buffer holds (the status word, then zeros), and the call
// reports failure.
void TestDesfireAuthentication::cardWithoutDesfire() {
    ConnectedCard card(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    StdoutCapture capture;
    const DesfireAuthentication got = desfireAuthenticate(card.handle(), reports);
    QVERIFY(got.fault);
    QCOMPARE(got.fault->text(), QStringLiteral("6E 00"));
    QVERIFY(got.fault->statusAtFault());
    QCOMPARE(cardtest::withoutDebugLines(capture.text()),
             QStringLiteral("AUTH, 6E:00\nAUTH, 6E:00\n"));

    const desfire::DesBlock rndA{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8};
    const auto cryptograms = desfire::authenticationCryptograms({}, rndA, {0x6E, 0x00});
    const QByteArray data = QByteArray(reinterpret_cast<const char *>(cryptograms.d1.data()), 8) +
                            QByteArray(reinterpret_cast<const char *>(cryptograms.d2.data()), 8);
    QCOMPARE(card.commands(),
             QStringList({authenticateCommand,
                          QStringLiteral("90AF000010") + data.toHex().toUpper() + "00"}));
}

// The first command fails to transmit: nothing is printed or reported, and the
// failure's code is what the call gives back.
void TestDesfireAuthentication::challengeTooLongForTheBuffer() {
    vcard::DesfireOptions options;
    options.statusPadding = 1;
    ConnectedCard card(std::make_shared<vcard::DesfireCard>(options), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    StdoutCapture capture;
    const DesfireAuthentication got = desfireAuthenticate(card.handle(), reports);
    QVERIFY(got.fault);
    QCOMPARE(got.fault->text(), QStringLiteral("SCARD_E_INSUFFICIENT_BUFFER"));
    QVERIFY(!got.confirmation);
    QCOMPARE(cardtest::withoutDebugLines(capture.text()), QString());
    QCOMPARE(reports.uiMessages, QStringList());
    QCOMPARE(card.commands(), QStringList{authenticateCommand});
}

QTEST_GUILESS_MAIN(TestDesfireAuthentication)
#include "tst_desfire_authentication.moc"

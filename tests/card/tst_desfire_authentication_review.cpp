// The verdict on a card's two answers to the legacy DES authentication, worked out
// with libcrypto's ECB calls rather than the code under test.

#include "card/desfire_authentication_review.h"

#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/des.h>

using desfire::DesBlock;

Q_DECLARE_METATYPE(DesBlock)

namespace {

const DesBlock rndA{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8};
const DesBlock rotatedRndA{0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA1};
const DesBlock otherKey{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
const DesBlock factoryKey{};

QByteArray ecb(const DesBlock &key, const DesBlock &in, int mode) {
    DES_cblock keyBlock, input, output;
    std::copy(key.begin(), key.end(), keyBlock);
    std::copy(in.begin(), in.end(), input);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&keyBlock, &schedule);
    DES_ecb_encrypt(&input, &output, &schedule, mode);
    return QByteArray(reinterpret_cast<const char *>(output), 8);
}

// What a card holding key answers last: eK(RndA rotated left), then 91 00.
QByteArray proof(const DesBlock &key) {
    return ecb(key, rotatedRndA, DES_ENCRYPT) + QByteArray::fromHex("9100");
}

const QByteArray challenge = QByteArray::fromHex("1122334455667788 91AF");

} // namespace

class TestDesfireAuthenticationReview : public QObject {
    Q_OBJECT

private slots:
    void review_data();
    void review();
};

void TestDesfireAuthenticationReview::review_data() {
    QTest::addColumn<DesBlock>("key");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("fault"); // empty: the card proved the key
    QTest::addColumn<bool>("statusAtFault");

    const QString bareLength = QStringLiteral("an answer of %1 bytes where 8 and a status word "
                                              "were due");
    const QString notProved = QStringLiteral("the card's answer does not prove the key");
    const QByteArray bare9100 = QByteArray::fromHex("9100");

    QTest::newRow("good pair") << otherKey << challenge << proof(otherKey) << "" << false;
    QTest::newRow("good pair, factory key")
        << factoryKey << challenge << proof(factoryKey) << "" << false;
    QTest::newRow("bare 91 00 twice") << otherKey << bare9100 << bare9100 << "91 00" << true;
    QTest::newRow("91 58 then 91 00") << otherKey << QByteArray::fromHex("1122334455667788 9158")
                                      << proof(otherKey) << "91 58" << true;
    QTest::newRow("refused: bare 91 AE")
        << otherKey << challenge << QByteArray::fromHex("91AE") << "91 AE" << true;
    QTest::newRow("right status words, wrong cryptogram")
        << otherKey << challenge << QByteArray::fromHex("0000000000000000 9100") << notProved
        << false;
    QTest::newRow("proof made with another key")
        << otherKey << challenge << proof(factoryKey) << notProved << false;
    QTest::newRow("RndA not rotated")
        << otherKey << challenge << ecb(otherKey, rndA, DES_ENCRYPT) + bare9100 << notProved
        << false;
    // Deciphering where the card enciphers: the factory key cannot tell the two apart,
    // another key can.
    QTest::newRow("proof deciphered instead of enciphered")
        << otherKey << challenge << ecb(otherKey, rotatedRndA, DES_DECRYPT) + bare9100 << notProved
        << false;
    QTest::newRow("weak factory key: deciphered alike")
        << factoryKey << challenge << ecb(factoryKey, rotatedRndA, DES_DECRYPT) + bare9100 << ""
        << false;
    QTest::newRow("bare 91 AF first")
        << otherKey << QByteArray::fromHex("91AF") << proof(otherKey) << bareLength.arg(2) << false;
    QTest::newRow("short challenge") << otherKey << QByteArray::fromHex("11223344 91AF")
                                     << proof(otherKey) << bareLength.arg(6) << false;
    QTest::newRow("short proof") << otherKey << challenge << proof(otherKey).right(5)
                                 << bareLength.arg(5) << false;
    QTest::newRow("8 bytes, no status, first")
        << otherKey << challenge.left(8) << proof(otherKey) << bareLength.arg(8) << false;
    QTest::newRow("8 bytes, no status, second")
        << otherKey << challenge << proof(otherKey).left(8) << bareLength.arg(8) << false;
    QTest::newRow("no answer to the first")
        << otherKey << QByteArray() << proof(otherKey) << "no status word" << false;
    QTest::newRow("one byte to the second")
        << otherKey << challenge << QByteArray(1, '\x91') << "no status word" << false;
    // The first answer's fault is the one named, whatever came after it.
    QTest::newRow("both wrong") << otherKey << QByteArray::fromHex("91AE") << bare9100 << "91 AE"
                                << true;
}

void TestDesfireAuthenticationReview::review() {
    QFETCH(DesBlock, key);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QString, fault);
    QFETCH(bool, statusAtFault);

    const std::optional<AnswerFault> got = desfire::reviewAuthentication(key, rndA, first, second);
    QCOMPARE(got ? got->text() : QString(), fault);
    if (got)
        QCOMPARE(got->statusAtFault(), statusAtFault);
}

QTEST_APPLESS_MAIN(TestDesfireAuthenticationReview)
#include "tst_desfire_authentication_review.moc"

#pragma GCC diagnostic pop

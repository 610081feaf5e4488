#include "card/desfire_crypto.h"

#include <QtTest>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/des.h>

using desfire::DesBlock;

namespace {

DesBlock block(const char *hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    Q_ASSERT(bytes.size() == 8);
    DesBlock out;
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

QByteArray hex(const DesBlock &b) {
    return QByteArray(reinterpret_cast<const char *>(b.data()), 8).toHex().toUpper();
}

// Single-block ECB, a different path into libcrypto than the code under test.
DesBlock ecb(const DesBlock &key, const DesBlock &in, int mode) {
    DES_cblock keyBlock;
    std::copy(key.begin(), key.end(), keyBlock);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&keyBlock, &schedule);
    DES_cblock input, output;
    std::copy(in.begin(), in.end(), input);
    DES_ecb_encrypt(&input, &output, &schedule, mode);
    DesBlock out;
    std::copy(std::begin(output), std::end(output), out.begin());
    return out;
}

DesBlock xorBlocks(const DesBlock &a, const DesBlock &b) {
    DesBlock out;
    for (int i = 0; i < 8; ++i)
        out[i] = a[i] ^ b[i];
    return out;
}

} // namespace

Q_DECLARE_METATYPE(desfire::DesBlock)

class TestDesfireCrypto : public QObject {
    Q_OBJECT

private slots:
    void publishedVector();
    void cardAcceptsCryptograms_data();
    void cardAcceptsCryptograms();
    void proofOfTheKey_data();
    void proofOfTheKey();
};

// Key 0123456789ABCDEF enciphers 4E6F772069732074 to 3FA40E8A984D4815, so
// deciphering the latter must give the former back; an encipherment would not.
void TestDesfireCrypto::publishedVector() {
    const DesBlock key = block("0123456789ABCDEF");
    const auto cryptograms = desfire::authenticationCryptograms(key, block("3FA40E8A984D4815"),
                                                                block("0000000000000000"));
    QCOMPARE(hex(cryptograms.d1), QByteArray("4E6F772069732074"));
}

void TestDesfireCrypto::cardAcceptsCryptograms_data() {
    QTest::addColumn<DesBlock>("key");
    QTest::addColumn<DesBlock>("rndA");
    QTest::addColumn<DesBlock>("rndB");
    QTest::addColumn<DesBlock>("rotatedRndB");
    const DesBlock systemRndA = block("A1A2A3A4A5A6A7A8");
    QTest::newRow("published key") << block("0123456789ABCDEF") << systemRndA
                                   << block("0102030405060708") << block("0203040506070801");
    QTest::newRow("textbook key") << block("133457799BBCDFF1") << systemRndA
                                  << block("F0E1D2C3B4A59687") << block("E1D2C3B4A59687F0");
    QTest::newRow("key with version bits")
        << block("0011223344556677") << systemRndA << block("8899AABBCCDDEEFF")
        << block("99AABBCCDDEEFF88");
    QTest::newRow("other RndA") << block("FEDCBA9876543210") << block("0F1E2D3C4B5A6978")
                                << block("1111111111111122") << block("1111111111112211");
    // The factory key deciphers and enciphers alike, so this row cannot tell the two
    // apart; the rows above can.
    QTest::newRow("factory key") << block("0000000000000000") << systemRndA
                                 << block("CAFEBABEDEADBEEF") << block("FEBABEDEADBEEFCA");
}

// Checks the cryptograms as the card does (RndA = eK(D1), eK(D2) xor D1 = rol(RndB))
// and against a hand-chained computation.
void TestDesfireCrypto::cardAcceptsCryptograms() {
    QFETCH(DesBlock, key);
    QFETCH(DesBlock, rndA);
    QFETCH(DesBlock, rndB);
    QFETCH(DesBlock, rotatedRndB);

    const DesBlock encipheredRndB = ecb(key, rndB, DES_ENCRYPT);
    const auto cryptograms = desfire::authenticationCryptograms(key, rndA, encipheredRndB);

    QCOMPARE(hex(ecb(key, cryptograms.d1, DES_ENCRYPT)), hex(rndA));
    QCOMPARE(hex(xorBlocks(ecb(key, cryptograms.d2, DES_ENCRYPT), cryptograms.d1)),
             hex(rotatedRndB));

    const DesBlock d1 = ecb(key, rndA, DES_DECRYPT);
    const DesBlock d2 = ecb(key, xorBlocks(d1, rotatedRndB), DES_DECRYPT);
    QCOMPARE(hex(cryptograms.d1), hex(d1));
    QCOMPARE(hex(cryptograms.d2), hex(d2));
}

void TestDesfireCrypto::proofOfTheKey_data() {
    QTest::addColumn<DesBlock>("key");
    QTest::addColumn<DesBlock>("rndA");
    QTest::addColumn<DesBlock>("cardCryptogram");
    QTest::addColumn<bool>("proved");
    // The published vector again: 3FA40E8A984D4815 deciphers to 4E6F772069732074, which
    // is 744E6F7720697320 rotated left by one byte. Enciphering instead would not give
    // it back with this key.
    QTest::newRow("published vector") << block("0123456789ABCDEF") << block("744E6F7720697320")
                                      << block("3FA40E8A984D4815") << true;
    QTest::newRow("RndA not rotated") << block("0123456789ABCDEF") << block("4E6F772069732074")
                                      << block("3FA40E8A984D4815") << false;
    QTest::newRow("another key") << block("133457799BBCDFF1") << block("744E6F7720697320")
                                 << block("3FA40E8A984D4815") << false;
}

void TestDesfireCrypto::proofOfTheKey() {
    QFETCH(DesBlock, key);
    QFETCH(DesBlock, rndA);
    QFETCH(DesBlock, cardCryptogram);
    QFETCH(bool, proved);
    QCOMPARE(desfire::provesKey(key, rndA, cardCryptogram), proved);
}

QTEST_APPLESS_MAIN(TestDesfireCrypto)
#include "tst_desfire_crypto.moc"

#pragma GCC diagnostic pop

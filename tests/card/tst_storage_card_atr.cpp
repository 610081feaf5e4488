#include "card/storage_card_atr.h"

#include <QtTest>

#include <optional>

using mifare::ClassicType;

Q_DECLARE_METATYPE(std::optional<ClassicType>)

class TestStorageCardAtr : public QObject {
    Q_OBJECT

private slots:
    void identify_data();
    void identify();
};

void TestStorageCardAtr::identify_data() {
    QTest::addColumn<QByteArray>("atr");
    QTest::addColumn<bool>("contactless");
    QTest::addColumn<std::optional<ClassicType>>("type");
    const std::optional<ClassicType> none;

    QTest::newRow("Classic 1K") << QByteArray("3B8F8001804F0CA000000306030001000000006A") << true
                                << std::optional(ClassicType::Classic1K);
    QTest::newRow("Classic 4K") << QByteArray("3B8F8001804F0CA0000003060300020000000069") << true
                                << std::optional(ClassicType::Classic4K);
    QTest::newRow("Mini") << QByteArray("3B8F8001804F0CA000000306030026000000004D") << true
                          << std::optional(ClassicType::Mini);
    QTest::newRow("DESFire EV1") << QByteArray("3B8180018080") << true << none;
    QTest::newRow("Ultralight") << QByteArray("3B8F8001804F0CA0000003060300030000000068") << true
                                << none;
    QTest::newRow("1K, wrong check byte")
        << QByteArray("3B8F8001804F0CA000000306030001000000006B") << false << none;
    QTest::newRow("1K without its check byte")
        << QByteArray("3B8F8001804F0CA00000030603000100000000") << false << none;
    QTest::newRow("1K, one byte more")
        << QByteArray("3B8F8001804F0CA000000306030001000000006A00") << false << none;
    // The same name under another RID or standard is no PC/SC storage card.
    QTest::newRow("other RID") << QByteArray("3B8F8001804F0CA000000307030001000000006B") << true
                               << none;
    QTest::newRow("standard 11 (FeliCa)")
        << QByteArray("3B8F8001804F0CA0000003061100010000000078") << true << none;
    QTest::newRow("no category indicator")
        << QByteArray("3B8F8001004F0CA00000030603000100000000EA") << true << none;
    QTest::newRow("application identifier shorter than its name")
        << QByteArray("3B888001804F05A00000030666") << true << none;
    QTest::newRow("contact card, T=0") << QByteArray("3B021450") << false << none;
    QTest::newRow("contact card, T=1")
        << QByteArray("3BF81300008131FE15597562696B657934D4") << false << none;
    QTest::newRow("TD1 offers T=1 first")
        << QByteArray("3B8F8101804F0CA000000306030001000000006B") << false << none;
    QTest::newRow("empty") << QByteArray() << false << none;
    QTest::newRow("TS alone") << QByteArray("3B") << false << none;
}

void TestStorageCardAtr::identify() {
    QFETCH(QByteArray, atr);
    QFETCH(bool, contactless);
    QFETCH(std::optional<ClassicType>, type);
    const QByteArray bytes = QByteArray::fromHex(atr);
    QCOMPARE(storagecard::isContactlessAtr(bytes), contactless);
    QCOMPARE(storagecard::classicTypeOfAtr(bytes), type);
}

QTEST_APPLESS_MAIN(TestStorageCardAtr)
#include "tst_storage_card_atr.moc"

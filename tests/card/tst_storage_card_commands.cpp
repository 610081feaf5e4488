#include "card/storage_card_commands.h"

#include <QtTest>

class TestStorageCardCommands : public QObject {
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
};

void TestStorageCardCommands::commands_data() {
    using storagecard::KeyType;
    const QByteArray data = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("UID") << storagecard::getUid() << QByteArray("FFCA000000");
    QTest::newRow("load the transport key") << storagecard::loadKey(0, QByteArray(6, char(0xFF)))
                                            << QByteArray("FF82000006FFFFFFFFFFFF");
    QTest::newRow("load a key into slot 1")
        << storagecard::loadKey(1, QByteArray::fromHex("A0A1A2A3A4A5"))
        << QByteArray("FF82000106A0A1A2A3A4A5");
    QTest::newRow("authenticate block 4 with key A")
        << storagecard::authenticate(4, KeyType::A, 0) << QByteArray("FF860000050100046000");
    QTest::newRow("authenticate block 240 with key B")
        << storagecard::authenticate(240, KeyType::B, 0) << QByteArray("FF860000050100F06100");
    QTest::newRow("read block 255") << storagecard::readBinary(255) << QByteArray("FFB000FF10");
    QTest::newRow("update block 22") << storagecard::updateBinary(22, data)
                                     << QByteArray("FFD600161000112233445566778899AABBCCDDEEFF");
}

void TestStorageCardCommands::commands() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, bytes);
    QCOMPARE(command.toHex().toUpper(), bytes);
}

QTEST_APPLESS_MAIN(TestStorageCardCommands)
#include "tst_storage_card_commands.moc"

// The vcard program's options for a MIFARE Classic card, as they land in the card's
// options.

#include "hex.h"
#include "mifare_arguments.h"

#include <QtTest>

using vcard::MifareOptions;

namespace {

template <typename Map> QString entries(const char *name, const Map &bySector) {
    QStringList out;
    for (const auto &[number, bytes] : bySector)
        out.append(QStringLiteral("%1 %2:%3")
                       .arg(QLatin1String(name))
                       .arg(number)
                       .arg(QString::fromStdString(vcard::toHex({bytes.begin(), bytes.end()}))));
    return out.join(QLatin1Char(' '));
}

QString numbers(const char *name, const std::set<int> &blocks) {
    QStringList out;
    for (int block : blocks)
        out.append(QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(block));
    return out.join(QLatin1Char(' '));
}

// What the options hold beyond the factory card's, in one line.
QString described(const MifareOptions &options) {
    QStringList parts{
        QStringLiteral("uid %1").arg(QString::fromStdString(vcard::toHex(options.uid))),
        entries("key-a", options.keyA),
        entries("key-b", options.keyB),
        entries("access", options.access),
        entries("block", options.blocks),
        numbers("silent", options.silentBlocks),
        numbers("refuse", options.refusingBlocks)};
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

QString everySector(const char *name, int sectors, const char *hex) {
    QStringList out;
    for (int sector = 0; sector < sectors; ++sector)
        out.append(QStringLiteral("%1 %2:%3").arg(QLatin1String(name)).arg(sector).arg(hex));
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestMifareArguments : public QObject {
    Q_OBJECT

private slots:
    void apply_data();
    void apply();
    void otherOptionsAreNotTaken();
};

void TestMifareArguments::apply_data() {
    QTest::addColumn<bool>("fourK");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("result"); // beside the UID, when taken

    const QString uid = QStringLiteral("uid 5AC3197E");
    QTest::newRow("UID") << false << "--uid"
                         << "01020304" << true << "uid 01020304";
    QTest::newRow("UID of 3 bytes") << false << "--uid"
                                    << "010203" << false << "";
    QTest::newRow("key A of a sector") << false << "--key-a"
                                       << "3:A0A1A2A3A4A5" << true << uid + " key-a 3:A0A1A2A3A4A5";
    QTest::newRow("key A of every sector of a 1K")
        << false << "--key-a"
        << "a0a1a2a3a4a5" << true << uid + " " + everySector("key-a", 16, "A0A1A2A3A4A5");
    QTest::newRow("key B of every sector of a 4K")
        << true << "--key-b"
        << "B0B1B2B3B4B5" << true << uid + " " + everySector("key-b", 40, "B0B1B2B3B4B5");
    QTest::newRow("key of 5 bytes") << false << "--key-a"
                                    << "3:A0A1A2A3A4" << false << "";
    QTest::newRow("key with a sector that is no number") << false << "--key-a"
                                                         << "x:A0A1A2A3A4A5" << false << "";
    QTest::newRow("access bits") << false << "--access"
                                 << "5:8F0787" << true << uid + " access 5:8F0787";
    QTest::newRow("access bits of 2 bytes") << false << "--access"
                                            << "5:8F07" << false << "";
    QTest::newRow("block") << false << "--block"
                           << "4:00112233445566778899AABBCCDDEEFF" << true
                           << uid + " block 4:00112233445566778899AABBCCDDEEFF";
    QTest::newRow("block without its number") << false << "--block"
                                              << "00112233445566778899AABBCCDDEEFF" << false << "";
    QTest::newRow("silent block") << false << "--fault-silent"
                                  << "22" << true << uid + " silent 22";
    QTest::newRow("refusing block") << false << "--fault-refuse"
                                    << "22" << true << uid + " refuse 22";
    QTest::newRow("block that is no number") << false << "--fault-refuse"
                                             << "22a" << false << "";
    QTest::newRow("negative block") << false << "--fault-silent"
                                    << "-1" << false << "";
}

void TestMifareArguments::apply() {
    QFETCH(bool, fourK);
    QFETCH(QString, option);
    QFETCH(QString, value);
    QFETCH(bool, taken);
    QFETCH(QString, result);
    QVERIFY(vcard::isMifareOption(option.toStdString()));
    MifareOptions options;
    if (fourK)
        options.type = vcard::mifare::CardType::Classic4K;
    QCOMPARE(vcard::applyMifareOption(option.toStdString(), value.toStdString(), &options), taken);
    if (taken)
        QCOMPARE(described(options), result);
}

void TestMifareArguments::otherOptionsAreNotTaken() {
    for (const char *option : {"--slot", "--card", "--picc-key", "--pull-after", "--key", "uid"})
        QVERIFY2(!vcard::isMifareOption(option), option);
}

QTEST_GUILESS_MAIN(TestMifareArguments)
#include "tst_mifare_arguments.moc"

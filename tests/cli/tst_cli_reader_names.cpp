// quorvane-cli against a pcscd of the test's own (see PrivatePcscd) whose readers'
// friendly name holds a byte that is no UTF-8: every command finds the reader by the
// bytes on its command line, or by the name as the program writes it, and what it
// writes (lines, errors, the JSON report) is valid UTF-8.

#include "cli_process.h"
#include "pcsc_test_support.h"
#include "private_pcscd.h"

#include "desfire_card.h"
#include "vpcd_link.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString shownContact = QStringLiteral("Virtual\\xFFPCD 00 00");
const QString shownContactless = QStringLiteral("Virtual\\xFFPCD 00 01");
// The contact reader's name as bash hands its bytes over.
const QString oddReaderBytes = QStringLiteral("\"$(printf 'Virtual\\377PCD 00 00')\"");

const char oddContact[] = "Virtual\xffPCD 00 00";

// A DESFire card in the private contact reader, once PC/SC sees it there.
std::unique_ptr<vcard::VpcdLink> insertedCard() {
    auto card = std::make_unique<vcard::VpcdLink>(std::make_shared<vcard::DesfireCard>());
    if (!card->insert(PrivatePcscd::firstVpcdSlot) || !testsupport::waitForCard(oddContact, true))
        return nullptr;
    return card;
}

bool isUtf8(const QByteArray &bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

class TestCliReaderNames : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readers();
    void identify_data();
    void identify();
    void stressTestReport();
    void unknownReader();

private:
    std::unique_ptr<PrivatePcscd> daemon_;
    std::unique_ptr<vcard::VpcdLink> card_;
    QTemporaryDir dir_;
};

void TestCliReaderNames::initTestCase() {
    daemon_ = std::make_unique<PrivatePcscd>();
    const QString reason = daemon_->unavailableReason();
    if (!reason.isEmpty())
        QSKIP(qPrintable(reason));
    // The programs started here inherit the private socket's name.
    daemon_->useForThisProcess();
    daemon_->setFriendlyName("Virtual\xffPCD");
    QVERIFY(daemon_->start(true));
    QVERIFY(dir_.isValid());
}

void TestCliReaderNames::readers() {
    CliProcess run({QStringLiteral("readers")});
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.outputLines(),
             QStringList({shownContact + "\tempty", shownContactless + "\tempty"}));
    QVERIFY(isUtf8(run.rawOutput()));
}

void TestCliReaderNames::identify_data() {
    QTest::addColumn<QString>("reader"); // as the shell writes it
    QTest::newRow("the name's own bytes") << oddReaderBytes;
    QTest::newRow("the name as the program writes it") << "'" + shownContact + "'";
}

void TestCliReaderNames::identify() {
    QFETCH(QString, reader);
    auto card = insertedCard();
    QVERIFY(card);

    CliProcess run(CliProcess::shellScript,
                   QStringLiteral("exec \"$0\" identify --timeout 10 -r ") + reader);
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.outputLines().value(0), QStringLiteral("ATR: 3B8180018080"));
    QCOMPARE(run.errors(), QString());
    card->remove();
    QVERIFY(testsupport::waitForCard(oddContact, false));
}

// The stress test connects to the reader cycle after cycle; its report names the reader
// as the program writes it, in a document that parses.
void TestCliReaderNames::stressTestReport() {
    auto card = insertedCard();
    QVERIFY(card);
    const QString report = dir_.filePath(QStringLiteral("odd.json"));

    CliProcess run(CliProcess::shellScript,
                   QStringLiteral("exec \"$0\" desfire-test --cycles 2 --report '%1' -r %2")
                       .arg(report, oddReaderBytes));
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 0);
    QCOMPARE(run.progressLines().size(), 2);
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(isUtf8(bytes));
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(bytes, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json[QStringLiteral("reader")].toString(), shownContact);
    QCOMPARE(json[QStringLiteral("passed")].toInt(), 2);
    card->remove();
    QVERIFY(testsupport::waitForCard(oddContact, false));
}

void TestCliReaderNames::unknownReader() {
    CliProcess run(CliProcess::shellScript,
                   QStringLiteral("exec \"$0\" identify -r \"$(printf 'Other\\376')\""));
    QVERIFY(run.finish());
    QCOMPARE(run.exitCode(), 2);
    QCOMPARE(run.errors(),
             QStringLiteral("quorvane-cli: unknown reader \"Other\\xFE\"; choose one of these "
                            "with -r:\n  %1\n  %2\n")
                 .arg(shownContact, shownContactless));
}

QTEST_GUILESS_MAIN(TestCliReaderNames)
#include "tst_cli_reader_names.moc"

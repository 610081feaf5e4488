// The simulated printer holding a MIFARE Classic card (VANTOREL_SIM_CARD=mifare-4k,
// printer type 3): the card it carries to the contactless station is that card, and
// the same card each time, its memory kept and its authentication not.

#include "pcsc_test_support.h"
#include "printer/sdk_api.h"
#include "reader_connection.h"

#include <QLibrary>
#include <QtTest>

namespace {

const QByteArray ok("9000");
const char pattern[] = "00112233445566778899AABBCCDDEEFF";

// The commands in one connection.
QList<QByteArray> sentTogether(const QList<const char *> &commands) {
    ReaderConnection connection(testsupport::contactlessReader);
    QList<QByteArray> answers;
    for (const char *command : commands) {
        QByteArray answer;
        connection.transmit(command, 258, &answer);
        answers.append(answer.toHex().toUpper());
    }
    return answers;
}

} // namespace

class TestMifarePrinter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cardTravelsWithItsMemory();

private:
    QLibrary sdk{QStringLiteral("VantorelAPI")};
};

void TestMifarePrinter::initTestCase() {
    QUORVANE_REQUIRE_PCSC();
    QVERIFY2(sdk.load(), qPrintable(sdk.errorString()));
}

void TestMifarePrinter::cardTravelsWithItsMemory() {
    const auto openSession = reinterpret_cast<ID_OpenSession_t *>(sdk.resolve("ID_OpenSession"));
    const auto moveCard = reinterpret_cast<ID_MoveCard_t *>(sdk.resolve("ID_MoveCard"));
    const auto closeSession = reinterpret_cast<ID_CloseSession_t *>(sdk.resolve("ID_CloseSession"));
    QVERIFY(openSession && moveCard && closeSession);
    std::uint32_t session = 0;
    QCOMPARE(openSession("Vantorel_Sim", &session, 0), 0);

    QCOMPARE(moveCard(session, sdk::MoveToContactless), 0);
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));
    {
        ReaderConnection connection(testsupport::contactlessReader);
        QCOMPARE(connection.atr().toHex().toUpper(),
                 QByteArray("3B8F8001804F0CA0000003060300020000000069"));
    }
    QCOMPARE(sentTogether({"FF82000006FFFFFFFFFFFF", "FF860000050100806000",
                           "FFD600801000112233445566778899AABBCCDDEEFF"}),
             QList<QByteArray>({ok, ok, ok}));
    QCOMPARE(moveCard(session, sdk::MoveOut), 0);
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));

    QCOMPARE(moveCard(session, sdk::MoveToContactless), 0);
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, true));
    QCOMPARE(sentTogether({"FFB0008010"}), QList<QByteArray>{"6982"});
    QCOMPARE(sentTogether({"FF860000050100806000", "FFB0008010"}),
             QList<QByteArray>({ok, QByteArray(pattern) + ok}));
    QCOMPARE(moveCard(session, sdk::MoveOut), 0);
    QVERIFY(testsupport::waitForCard(testsupport::contactlessReader, false));
    QCOMPARE(closeSession(session), 0);
}

QTEST_GUILESS_MAIN(TestMifarePrinter)
#include "tst_mifare_printer.moc"

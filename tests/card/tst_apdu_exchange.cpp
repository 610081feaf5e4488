#include "card/apdu_exchange.h"
#include "card/apdu_text.h"
#include "card_test_support.h"
#include "iso_card.h"
#include "pcsc/pcsc.h"
#include "pcsc/pcsc_names.h"
#include "pcsc_test_support.h"
#include "stdout_capture.h"

#include <QtTest>

using cardtest::ConnectedCard;
using cardtest::RecordedReports;

namespace {

// The answers the exchange gives back, told apart as the pop-up and the failure
// reports tell them.
struct SortedAnswers {
    explicit SortedAnswers(const QList<ApduLineAnswer> &answers) {
        for (const ApduLineAnswer &answer : answers) {
            lineIndexes.append(answer.lineIndex);
            if (answer.result == SCARD_S_SUCCESS)
                entries.append(apdutext::responseEntry(answer.lineIndex, answer.response));
            else
                failures.append(pcscCodeName(answer.result));
        }
    }
    QList<int> lineIndexes;
    QStringList entries;
    QStringList failures;
};

} // namespace

class TestApduExchange : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exchange_data();
    void exchange();
    void sendsWithTheGivenProtocolControl();
    void stopsBetweenLines_data();
    void stopsBetweenLines();
};

void TestApduExchange::initTestCase() {
    QUORVANE_REQUIRE_PCSC();
}

void TestApduExchange::exchange_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("popupMessage");
    QTest::addColumn<QStringList>("uiMessages");

    QTest::newRow("counting answer") << "80 10 00 04" << QStringList{"80100004"}
                                     << "APDU Response 1: 000102039000" << QStringList();
    QTest::newRow("lines joined by CR, upper-case answers")
        << "00A4040007A0000003085155\n00A4040002A0A0"
        << QStringList{"00A4040007A0000003085155", "00A4040002A0A0"}
        << "APDU Response 1: 9000\rAPDU Response 2: 6A82" << QStringList();
    // Numbers follow line positions, the empty lines included; a line without bytes
    // is not sent and fails like a refused command.
    const QString invalid = QStringLiteral("SCARD_E_INVALID_PARAMETER");
    QTest::newRow("CR LF and trailing break")
        << "80100001\r\n80100002\r\n"
        << QStringList{"80100001", "80100002"}
        << "APDU Response 1: 009000\rAPDU Response 3: 00019000"
        << QStringList{invalid, invalid, invalid};
    QTest::newRow("empty text") << "" << QStringList() << "" << QStringList{invalid};
    QTest::newRow("no hex digit") << " :-\n\n80100000" << QStringList{"80100000"}
                                  << "APDU Response 3: 9000" << QStringList{invalid, invalid};
    QTest::newRow("separators and odd digits")
        << "80:10:00:02\na0b0 0 00 0 1" << QStringList{"80100002", "0A0B000001"}
        << "APDU Response 1: 00019000\rAPDU Response 2: 6E00" << QStringList();
    // 272 data bytes and the status do not fit the 258-byte buffer.
    QTest::newRow("answer too long") << "80 10 01 10" << QStringList{"80100110"} << ""
                                     << QStringList{"SCARD_E_INSUFFICIENT_BUFFER"};
    QTest::newRow("failed line leaves a gap")
        << "80100001\n80100110\n80 10 00 08" << QStringList{"80100001", "80100110", "80100008"}
        << "APDU Response 1: 009000\rAPDU Response 3: 00010203040506079000"
        << QStringList{"SCARD_E_INSUFFICIENT_BUFFER"};
    QTest::newRow("largest answer that fits")
        << "80 10 01 00" << QStringList{"80100100"} << QString() << QStringList();
}

void TestApduExchange::exchange() {
    QFETCH(QString, text);
    QFETCH(QStringList, sent);
    QFETCH(QString, popupMessage);
    QFETCH(QStringList, uiMessages);

    ConnectedCard card(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    StdoutCapture capture;
    const SortedAnswers answers(exchangeApdus(card.handle(), pcsc::t1Pci(), text, reports));
    const QString console = cardtest::withoutDebugLines(capture.text());

    QCOMPARE(card.commands(), sent);
    QCOMPARE(reports.uiMessages, uiMessages);
    QCOMPARE(console, QString("Failed SCardTransmit\n").repeated(uiMessages.size()));
    QCOMPARE(reports.popups.size(), 1);
    QCOMPARE(reports.popups[0].title, QStringLiteral("APDU Response "));
    if (popupMessage.isNull()) // too long to spell out: 256 counting bytes
        QCOMPARE(reports.popups[0].message.size(), int(strlen("APDU Response 1: ")) + 2 * 258);
    else
        QCOMPARE(reports.popups[0].message, popupMessage);

    // Every line, in order, with what the operator was shown for it.
    QList<int> everyLine;
    for (int i = 0; i < apdutext::splitLines(text).size(); ++i)
        everyLine.append(i);
    QCOMPARE(answers.lineIndexes, everyLine);
    QCOMPARE(answers.entries.join(QLatin1Char('\r')), reports.popups[0].message);
    QCOMPARE(answers.failures, uiMessages);
}

// The exchange sends with the structure it is handed: the T=1 structure on a T=0
// connection is refused, the T=0 one goes through.
void TestApduExchange::sendsWithTheGivenProtocolControl() {
    ConnectedCard card(std::make_shared<vcard::IsoCard>(vcard::atrs::t0Only), SCARD_PROTOCOL_T0);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    QCOMPARE(card.session->activeProtocol(), DWORD(SCARD_PROTOCOL_T0));
    RecordedReports reports;
    StdoutCapture capture;
    exchangeApdus(card.handle(), pcsc::t1Pci(), QStringLiteral("80100002"), reports);
    exchangeApdus(card.handle(), pcsc::t0Pci(), QStringLiteral("80100002"), reports);
    QCOMPARE(cardtest::withoutDebugLines(capture.text()), QStringLiteral("Failed SCardTransmit\n"));
    QCOMPARE(reports.uiMessages, QStringList{"SCARD_E_PROTO_MISMATCH"});
    QCOMPARE(reports.popups.size(), 2);
    QCOMPARE(reports.popups[0].message, QString());
    QCOMPARE(reports.popups[1].message, QStringLiteral("APDU Response 1: 00019000"));
}

void TestApduExchange::stopsBetweenLines_data() {
    QTest::addColumn<int>("linesBeforeStop");
    QTest::addColumn<QString>("popupMessage");
    QTest::newRow("before the first line") << 0 << "";
    QTest::newRow("after two lines") << 2 << "APDU Response 1: 009000\rAPDU Response 2: 00019000";
    QTest::newRow("never") << 4
                           << "APDU Response 1: 009000\rAPDU Response 2: 00019000\r"
                              "APDU Response 4: 0001029000";
}

// Asked before every line: once it says stop, no further line reaches the card, and the
// answers so far still come back in the one pop-up.
void TestApduExchange::stopsBetweenLines() {
    QFETCH(int, linesBeforeStop);
    QFETCH(QString, popupMessage);

    ConnectedCard card(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only), SCARD_PROTOCOL_T1);
    QVERIFY2(card.ok(), qPrintable(card.failure()));
    RecordedReports reports;
    StdoutCapture capture;
    int asked = 0;
    const QList<ApduLineAnswer> answers = exchangeApdus(
        card.handle(), pcsc::t1Pci(), QStringLiteral("80100001\n80100002\n\n80100003"), reports,
        [&] { return asked++ >= linesBeforeStop; });

    QCOMPARE(card.commands(), QStringList({"80100001", "80100002", "80100003"})
                                  .mid(0, linesBeforeStop == 4 ? 3 : linesBeforeStop));
    QCOMPARE(asked, qMin(linesBeforeStop + 1, 4));
    QCOMPARE(answers.size(), linesBeforeStop);
    QCOMPARE(reports.popups.size(), 1);
    QCOMPARE(reports.popups[0].message, popupMessage);
}

QTEST_GUILESS_MAIN(TestApduExchange)
#include "tst_apdu_exchange.moc"

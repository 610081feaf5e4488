// Bad and oversized typed APDU text sent from the window to a card that stays in the
// contact reader; one window serves every case, so each case also shows that the window
// still works after the one before.

#include "operator_window.h"

#include "iso_card.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"

#include <QLabel>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const int readerSlot = 0;

QStringList codeNames(const QStringList &texts) {
    return texts.filter(QRegularExpression(QStringLiteral("^SCARD_[EFW]_[A-Z_]+$")));
}

} // namespace

class TestFaultApduText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void typedText_data();
    void typedText();
    void longText_data();
    void longText();

private:
    // The command APDUs the card received since the last clearLog(), in hex.
    QStringList cardCommands() const;

    std::unique_ptr<vcard::VpcdLink> card_;
    std::unique_ptr<OperatorWindow> op_;
};

void TestFaultApduText::initTestCase() {
    QUORVANE_REQUIRE_PCSC();
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
    card_ = std::make_unique<vcard::VpcdLink>(std::make_shared<vcard::IsoCard>());
    QVERIFY(card_->insert(readerSlot));
    op_ = std::make_unique<OperatorWindow>();
    QVERIFY(op_->watchReader(reader));
    QTRY_VERIFY(op_->atrLabel()->text().startsWith(QLatin1String("ATR: 3B8180018080")));
}

void TestFaultApduText::init() {
    card_->clearLog();
    op_->popups.clear();
    op_->shownTexts.clear();
}

void TestFaultApduText::cleanupTestCase() {
    op_.reset();
    card_.reset();
}

QStringList TestFaultApduText::cardCommands() const {
    QStringList commands;
    for (const std::string &entry : card_->log())
        if (entry.rfind("APDU ", 0) == 0)
            commands << QString::fromStdString(entry.substr(5));
    return commands;
}

void TestFaultApduText::typedText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("popup");
    QTest::addColumn<QStringList>("shownCodeNames");

    const QString answer2 = QStringLiteral("APDU Response 1: 00019000");
    // Everything but a hex digit is skipped: letters, punctuation, NUL, Latin-1 letters,
    // and characters beyond Latin-1, which become '?' first.
    QTest::newRow("NUL between digits")
        << QStringLiteral("80") + QChar(0) + QStringLiteral("10 00") + QChar(0) +
               QStringLiteral("02")
        << QStringList{"80100002"} << answer2 << QStringList();
    QTest::newRow("Latin-1 letters") << QStringLiteral("80 é 10 ß 00 ÿ 02")
                                     << QStringList{"80100002"} << answer2 << QStringList();
    QTest::newRow("beyond Latin-1") << QStringLiteral("80 Ω 10 € 00 漢 02 😀")
                                    << QStringList{"80100002"} << answer2 << QStringList();
    // A full-width digit is not a hex digit; the remaining seven digits pair from the end.
    QTest::newRow("full-width digit") << QStringLiteral("80 １0 00 02") << QStringList{"08000002"}
                                      << QStringLiteral("APDU Response 1: 6E00") << QStringList();
    QTest::newRow("no hex digit at all") << QStringLiteral("zz; ?? Ω") << QStringList() << QString()
                                         << QStringList{"SCARD_E_INVALID_PARAMETER"};
    QTest::newRow("garbage line between commands")
        << QStringLiteral("80100001\nquiz\n80100002") << QStringList{"80100001", "80100002"}
        << QStringLiteral("APDU Response 1: 009000\rAPDU Response 3: 00019000")
        << QStringList{"SCARD_E_INVALID_PARAMETER"};
    // Words hold hex digits: "hello world" is the one byte ED, sent as it is, and the
    // card refuses so short a command.
    QTest::newRow("a word is a one-byte command")
        << QStringLiteral("80100001\nhello world\n80100002")
        << QStringList{"80100001", "ED", "80100002"}
        << QStringLiteral(
               "APDU Response 1: 009000\rAPDU Response 2: 6700\rAPDU Response 3: 00019000")
        << QStringList();
    // 272 data bytes and the status do not fit the 258-byte answer buffer.
    QTest::newRow("answer longer than 258 bytes")
        << QStringLiteral("80 10 01 10") << QStringList{"80100110"} << QString()
        << QStringList{"SCARD_E_INSUFFICIENT_BUFFER"};
}

// What the card receives is what the documented decoding makes of the typed text; the
// answers come in one pop-up and every failure's code name reaches the label.
void TestFaultApduText::typedText() {
    QFETCH(QString, text);
    QFETCH(QStringList, sent);
    QFETCH(QString, popup);
    QFETCH(QStringList, shownCodeNames);

    op_->sendApdu(text);
    QTRY_COMPARE_WITH_TIMEOUT(op_->popups.size(), 1, 10000);
    QCOMPARE(op_->popups[0].title, QStringLiteral("APDU Response "));
    QCOMPARE(op_->popups[0].text, popup);
    QCOMPARE(cardCommands(), sent);
    QCOMPARE(codeNames(op_->shownTexts), shownCodeNames);
    if (!shownCodeNames.isEmpty())
        QCOMPARE(op_->atrLabel()->text(), shownCodeNames.last());
}

void TestFaultApduText::longText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sentCount");
    QTest::addColumn<int>("answerCount");
    QTest::addColumn<QStringList>("shownCodeNames");

    QStringList lines;
    for (int i = 0; i < 10000; ++i)
        lines << QStringLiteral("80100002");
    QTest::newRow("10 000 lines") << lines.join('\n') << 10000 << 10000 << QStringList();

    // 1 MB in 1024 lines of 512-byte commands (extended length, which PC/SC carries).
    const QString longLine = QStringLiteral("80100002") + QStringLiteral("A5").repeated(508);
    QStringList longLines;
    for (int i = 0; i < 1024; ++i)
        longLines << longLine;
    QTest::newRow("1 MB in 1024 lines") << longLines.join('\n') << 1024 << 1024 << QStringList();

    // One command of 512 KiB, far beyond what PC/SC carries: refused before it
    // reaches the card.
    QTest::newRow("1 MB on one line")
        << QStringLiteral("80100002") + QStringLiteral("5A").repeated(512 * 1024 - 4) << 0 << 0
        << QStringList{"SCARD_E_INSUFFICIENT_BUFFER"};
}

// The paste does not freeze the window, the GUI thread goes on handling events while
// the worker sends, the pop-up arrives with an answer per command, and the window takes
// the next request as before.
void TestFaultApduText::longText() {
    QFETCH(QString, text);
    QFETCH(int, sentCount);
    QFETCH(int, answerCount);
    QFETCH(QStringList, shownCodeNames);

    // Each tick of a timer on the GUI thread looks how far the card has got: a tick in
    // the middle of the run proves the window was free while the worker worked.
    bool tickedMidRun = false;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        const int received = card_->commandCount();
        tickedMidRun = tickedMidRun || (received > 0 && received < sentCount);
    });
    ticker.start(5);

    // A sanity bound, not a benchmark: laid out in one line, a long paste costs about
    // a second; wrapped only at word boundaries a line without any took minutes.
    QElapsedTimer pasting;
    pasting.start();
    op_->pasteApdu(text);
    QCoreApplication::processEvents();
    QVERIFY2(pasting.elapsed() < 30000, qPrintable(QString::number(pasting.elapsed())));
    op_->pressSend();
    QTRY_COMPARE_WITH_TIMEOUT(op_->popups.size(), 1, 60000);
    ticker.stop();

    QCOMPARE(card_->commandCount(), sentCount);
    const QString message = op_->popups[0].text;
    QCOMPARE(message.isEmpty() ? 0 : message.count('\r') + 1, answerCount);
    QCOMPARE(codeNames(op_->shownTexts), shownCodeNames);
    if (sentCount > 1)
        QVERIFY(tickedMidRun);

    init();
    op_->sendApdu(QStringLiteral("80100002"));
    QTRY_COMPARE_WITH_TIMEOUT(op_->popups.size(), 1, 10000);
    QCOMPARE(op_->popups[0].text, QStringLiteral("APDU Response 1: 00019000"));
}

QTEST_MAIN(TestFaultApduText)
#include "tst_fault_apdu_text.moc"

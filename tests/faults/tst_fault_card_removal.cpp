// The card taken out of the contact reader in the middle of the DESFire stress test and
// of a typed APDU run, seen from the window.

#include "operator_window.h"

#include "desfire_card.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "vpcd_link.h"

#include <QLabel>
#include <QtTest>

#include <memory>

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const int readerSlot = 0;
const QString noCard = QStringLiteral("No smart card inserted.");
const QString nextCardAtr = QStringLiteral("ATR: 3BF81300008131FE15597562696B657934D4");

QStringList codeNames(const QStringList &texts) {
    return texts.filter(QRegularExpression(QStringLiteral("^SCARD_[EFW]_[A-Z_]+$")));
}

QStringList verdicts(const QStringList &texts) {
    return texts.filter(QRegularExpression(QStringLiteral("^DESFire Test ")));
}

} // namespace

class TestFaultCardRemoval : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cardTakenAway_data();
    void cardTakenAway();
};

void TestFaultCardRemoval::init() {
    QUORVANE_REQUIRE_PCSC();
    QVERIFY(testsupport::waitForCard(testsupport::contactReader, false));
}

void TestFaultCardRemoval::cardTakenAway_data() {
    QTest::addColumn<bool>("desfire");
    QTest::addColumn<int>("answered");
    QTest::addColumn<QString>("popup"); // null: no pop-up expected

    // Set-up takes 5 commands, so the card leaves among the write frames.
    QTest::newRow("DESFire stress test") << true << 60 << QString();
    QTest::newRow("APDU run") << false << 2
                              << QStringLiteral(
                                     "APDU Response 1: 9000\rAPDU Response 2: 0001029000");
}

// The operator sees the failures' code names and no verdict; the window then shows the
// reader empty, and its watch identifies the next card without being asked.
void TestFaultCardRemoval::cardTakenAway() {
    QFETCH(bool, desfire);
    QFETCH(int, answered);
    QFETCH(QString, popup);

    OperatorWindow op;
    QVERIFY(op.watchReader(reader));
    std::shared_ptr<vcard::VirtualCard> first;
    if (desfire)
        first = std::make_shared<vcard::DesfireCard>();
    else
        first = std::make_shared<vcard::IsoCard>();
    vcard::VpcdLink link(first);
    link.dropAfterCommands(answered);
    QVERIFY(link.insert(readerSlot));
    QTRY_VERIFY(op.atrLabel()->text().startsWith(QLatin1String("ATR: 3B8180018080")));

    op.shownTexts.clear();
    if (desfire)
        op.pressDesfire();
    else
        op.sendApdu(QStringLiteral("00A4040007A0000003085155\n80100003\n80100004\n80100005"));
    QTRY_VERIFY_WITH_TIMEOUT(!link.inserted(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(op.atrLabel()->text(), noCard, 20000);

    QCOMPARE(link.commandCount(), answered + 1);
    QVERIFY2(!codeNames(op.shownTexts).isEmpty(), qPrintable(op.shownTexts.join(" | ")));
    QCOMPARE(verdicts(op.shownTexts), QStringList());
    QCOMPARE(op.shownTexts.last(), noCard);
    // The text before the no-card text is the last failure's name.
    QVERIFY(codeNames(op.shownTexts).contains(op.shownTexts.value(op.shownTexts.size() - 2)));
    if (popup.isNull()) {
        QCOMPARE(op.popups.size(), 0);
    } else {
        // Answers to the lines before the card left, and none after the line cut off
        // (vpcd hands that one back as an empty answer).
        QCOMPARE(op.popups.size(), 1);
        QVERIFY2(op.popups[0].text.startsWith(popup), qPrintable(op.popups[0].text));
        QVERIFY(!op.popups[0].text.contains(QLatin1String("APDU Response 4")));
    }

    vcard::VpcdLink next(std::make_shared<vcard::IsoCard>(vcard::atrs::t1Only));
    QVERIFY(next.insert(readerSlot));
    QTRY_VERIFY_WITH_TIMEOUT(op.atrLabel()->text().startsWith(nextCardAtr), 10000);
    QCOMPARE(next.commandCount(), 0); // the request went with the first card
    next.remove();
    QTRY_COMPARE(op.atrLabel()->text(), noCard);
}

QTEST_MAIN(TestFaultCardRemoval)
#include "tst_fault_card_removal.moc"

// The window's stress test on a card that another PC/SC program holds exclusively, as
// GnuPG's scdaemon or a login service holds a card that has just arrived.

#include "operator_window.h"

#include "inserted_card.h"
#include "pcsc_test_support.h"
#include "prober_process.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const QString passed = QStringLiteral("DESFire Test Passed");
const QString heldElsewhere = QStringLiteral("SCARD_E_SHARING_VIOLATION");

QStringList outcomesIn(const QStringList &texts) {
    return texts.filter(QRegularExpression(QStringLiteral("^(DESFire Test |SCARD_)")));
}

} // namespace

class TestOperatorHeldCard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactReader, false)); }

    void stressTestOnAHeldCard_data();
    void stressTestOnAHeldCard();
    void retiredWhileTheCardIsHeld();

private:
    // The window watching the reader with the card in it, its ATR shown, and the prober
    // holding the card for holdMs.
    bool heldCardInTheWindow(OperatorWindow &op, InsertedCard &card,
                             std::unique_ptr<ProberProcess> *prober, int holdMs);
};

bool TestOperatorHeldCard::heldCardInTheWindow(OperatorWindow &op, InsertedCard &card,
                                               std::unique_ptr<ProberProcess> *prober, int holdMs) {
    if (!op.watchReader(reader) || !card.insert() ||
        !QTest::qWaitFor([&] { return op.atrLabel()->text().startsWith(QLatin1String("ATR: ")); },
                         10000))
        return false;
    *prober = std::make_unique<ProberProcess>(
        reader, QStringList{QStringLiteral("--hold-ms"), QString::number(holdMs)});
    return (*prober)->waitFor(QStringLiteral("prober: holding"));
}

void TestOperatorHeldCard::stressTestOnAHeldCard_data() {
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<bool>("releasedFirst"); // the hold ended before the outcome showed
    QTest::newRow("held for a second: the test waits, then passes") << 1000 << passed << true;
    QTest::newRow("held beyond the tries: the refusal's code name")
        << 6000 << heldElsewhere << false;
}

void TestOperatorHeldCard::stressTestOnAHeldCard() {
    QFETCH(int, holdMs);
    QFETCH(QString, outcome);
    QFETCH(bool, releasedFirst);
    OperatorWindow op;
    InsertedCard card;
    std::unique_ptr<ProberProcess> prober;
    QVERIFY(heldCardInTheWindow(op, card, &prober, holdMs));
    op.shownTexts.clear();

    op.pressDesfire();
    QTRY_VERIFY_WITH_TIMEOUT(!outcomesIn(op.shownTexts).isEmpty(), 20000);
    QCOMPARE(prober->waitFor(QStringLiteral("prober: released"), 0), releasedFirst);
    QCOMPARE(outcomesIn(op.shownTexts), QStringList{outcome});
    QCOMPARE(card.commandLog().empty(), outcome == heldElsewhere);
    QCOMPARE(card.applicationCount(), size_t(0));
}

// The operator turns to another reader while the worker still asks for the held card:
// the retired worker stops asking, so no refusal shows up even once the tries would have
// run out.
void TestOperatorHeldCard::retiredWhileTheCardIsHeld() {
    OperatorWindow op;
    InsertedCard card;
    std::unique_ptr<ProberProcess> prober;
    QVERIFY(heldCardInTheWindow(op, card, &prober, 6000));
    op.shownTexts.clear();
    op.pressDesfire();
    QTRY_VERIFY(op.debug.count(QStringLiteral("DESFire needs T1")) == 1);

    op.readers()->setCurrentText(QLatin1String(testsupport::contactlessReader));
    QVERIFY(prober->waitFor(QStringLiteral("prober: released"), 20000));
    QCoreApplication::processEvents();
    QCOMPARE(outcomesIn(op.shownTexts), QStringList());
    QVERIFY(card.commandLog().empty());
}

QTEST_MAIN(TestOperatorHeldCard)
#include "tst_operator_held_card.moc"

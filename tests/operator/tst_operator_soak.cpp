// Card after card through the real window, the operator pressing the button the very
// moment the card's ATR appears: the worker that identified the card is then retired
// while it still holds the card, beside the new worker that runs the request. A working
// encoder must pass every time.
//
// The same beside another PC/SC program that probes the card as the desktop's services
// do (the prober): its commands, resets and exclusive holds must not touch a verdict.
//
// QUORVANE_SOAK_CYCLES sets the number of cards per test (default below).

#include "operator_window.h"

#include "desfire_card.h"
#include "iso_card.h"
#include "pcsc_test_support.h"
#include "prober_process.h"
#include "vpcd_link.h"

#include <QLabel>
#include <QtTest>

#include <memory>

namespace {

const QString reader = QLatin1String(testsupport::contactReader);
const int readerSlot = 0;
const QString cardAtr = QStringLiteral("ATR: 3B8180018080");
const QString noCard = QStringLiteral("No smart card inserted.");
const QString passed = QStringLiteral("DESFire Test Passed");
const int defaultCycles = 60;
const int outcomeTimeoutMs = 20000;

int soakCycles() {
    bool ok = false;
    const int cycles = qEnvironmentVariableIntValue("QUORVANE_SOAK_CYCLES", &ok);
    return ok && cycles > 0 ? cycles : defaultCycles;
}

// Beside the prober half as many: every card then takes longer, and the prober gets at
// the card between every two sessions all the same.
int cyclesFor(bool probed) {
    return probed ? std::max(1, soakCycles() / 2) : soakCycles();
}

QStringList verdictsIn(const QStringList &texts) {
    return texts.filter(QRegularExpression(QStringLiteral("^DESFire Test ")));
}

QStringList codeNamesIn(const QStringList &texts) {
    return texts.filter(QRegularExpression(QStringLiteral("^SCARD_")));
}

// What one card went through, for the failure message: the first line of each text
// once (the ATR's description lines add nothing here).
QString cycleReport(int cycle, const QStringList &texts) {
    QStringList firstLines;
    for (const QString &text : texts) {
        const QString firstLine = text.section(QLatin1Char('\n'), 0, 0);
        if (firstLines.isEmpty() || firstLines.last() != firstLine)
            firstLines.append(firstLine);
    }
    return QStringLiteral("card %1: %2").arg(cycle + 1).arg(firstLines.join(QLatin1String(" | ")));
}

} // namespace

class TestOperatorSoak : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QUORVANE_REQUIRE_PCSC(); }
    void init() { QVERIFY(testsupport::waitForCard(testsupport::contactReader, false)); }

    void stressTestPressedAsTheAtrShows_data();
    void stressTestPressedAsTheAtrShows();
    void apduRunSentAsTheAtrShows_data();
    void apduRunSentAsTheAtrShows();

private:
    // Inserts the card, runs press() the moment its ATR text is shown, waits until
    // done() says the request has its outcome, takes the card out and waits for the
    // window to show the reader empty. False, with the texts seen, when a step did not
    // come.
    // The prober the row asks for, probing the reader; none for a row without one.
    std::unique_ptr<ProberProcess> startProber();
    // The prober really probed: connected, and reset the card at times.
    static QString proberIdle(ProberProcess *prober);

    bool cardCycle(OperatorWindow &op, const std::shared_ptr<vcard::VirtualCard> &card,
                   const std::function<void()> &press, const std::function<bool()> &done,
                   QStringList *seen);
};

bool TestOperatorSoak::cardCycle(OperatorWindow &op,
                                 const std::shared_ptr<vcard::VirtualCard> &card,
                                 const std::function<void()> &press,
                                 const std::function<bool()> &done, QStringList *seen) {
    op.shownTexts.clear();
    bool pressed = false;
    op.onShown = [&](const QString &shown) {
        if (!pressed && shown.startsWith(cardAtr)) {
            pressed = true;
            press();
        }
    };
    vcard::VpcdLink link(card);
    const bool outcome = link.insert(readerSlot) &&
                         QTest::qWaitFor([&] { return pressed && done(); }, outcomeTimeoutMs);
    op.onShown = nullptr;
    link.remove();
    const bool removalShown = outcome && QTest::qWaitFor(
                                             [&] {
                                                 return !op.shownTexts.isEmpty() &&
                                                        op.shownTexts.last() == noCard &&
                                                        op.atrLabel()->text() == noCard;
                                             },
                                             outcomeTimeoutMs);
    *seen = op.shownTexts;
    return removalShown;
}

namespace {

void besideOtherProgramsRows() {
    QTest::addColumn<QStringList>("proberOptions"); // empty: no prober
    QTest::addColumn<bool>("probed");
    QTest::newRow("alone") << QStringList() << false;
    QTest::newRow("probed, reset, held by another program")
        << QStringList{QStringLiteral("--exclusive"), QStringLiteral("--seed"),
                       QStringLiteral("29")}
        << true;
}

} // namespace

std::unique_ptr<ProberProcess> TestOperatorSoak::startProber() {
    QFETCH(QStringList, proberOptions);
    QFETCH(bool, probed);
    if (!probed)
        return nullptr;
    auto prober = std::make_unique<ProberProcess>(reader, proberOptions);
    return prober->waitFor(QStringLiteral("prober: ready")) ? std::move(prober) : nullptr;
}

QString TestOperatorSoak::proberIdle(ProberProcess *prober) {
    if (!prober)
        return {};
    const ProberCounts counts = prober->finish();
    if (counts.reported && counts.connections > 0 && counts.resets > 0)
        return {};
    return QStringLiteral("the prober made %1 connections and %2 resets")
        .arg(counts.connections)
        .arg(counts.resets);
}

void TestOperatorSoak::stressTestPressedAsTheAtrShows_data() {
    besideOtherProgramsRows();
}

void TestOperatorSoak::stressTestPressedAsTheAtrShows() {
    QFETCH(bool, probed);
    const std::unique_ptr<ProberProcess> prober = startProber();
    QVERIFY(!probed || prober);
    OperatorWindow op;
    QVERIFY(op.watchReader(reader));
    op.showAdvanced();
    auto card = std::make_shared<vcard::DesfireCard>();

    const int cycles = cyclesFor(probed);
    QStringList faults;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        QStringList seen;
        const bool complete = cardCycle(
            op, card, [&] { op.pressDesfire(); },
            [&] { return !verdictsIn(op.shownTexts).isEmpty(); }, &seen);
        if (!complete || verdictsIn(seen) != QStringList{passed} || !codeNamesIn(seen).isEmpty())
            faults.append(cycleReport(cycle, seen));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 of %2 cards:\n%3")
                                              .arg(faults.size())
                                              .arg(cycles)
                                              .arg(faults.join('\n'))));
    QVERIFY(card->applicationIds().empty());
    const QString idle = proberIdle(prober.get());
    QVERIFY2(idle.isEmpty(), qPrintable(idle));
}

void TestOperatorSoak::apduRunSentAsTheAtrShows_data() {
    besideOtherProgramsRows();
}

void TestOperatorSoak::apduRunSentAsTheAtrShows() {
    QFETCH(bool, probed);
    const std::unique_ptr<ProberProcess> prober = startProber();
    QVERIFY(!probed || prober);
    OperatorWindow op;
    QVERIFY(op.watchReader(reader));
    op.pasteApdu(QStringLiteral("00A4040007A0000003085155\n80100003\n80100004\n80100005"));
    const QString answers = QStringLiteral("APDU Response 1: 9000\rAPDU Response 2: 0001029000\r"
                                           "APDU Response 3: 000102039000\r"
                                           "APDU Response 4: 00010203049000");
    auto card = std::make_shared<vcard::IsoCard>();

    const int cycles = cyclesFor(probed);
    QStringList faults;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        op.popups.clear();
        QStringList seen;
        const bool complete = cardCycle(
            op, card, [&] { op.pressSend(); }, [&] { return !op.popups.isEmpty(); }, &seen);
        QStringList shownPopups;
        for (const SeenPopup &popup : qAsConst(op.popups))
            shownPopups.append(popup.title + popup.text);
        if (!complete || shownPopups != QStringList{QStringLiteral("APDU Response ") + answers} ||
            !codeNamesIn(seen).isEmpty())
            faults.append(cycleReport(cycle, seen + shownPopups));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 of %2 cards:\n%3")
                                              .arg(faults.size())
                                              .arg(cycles)
                                              .arg(faults.join('\n'))));
    const QString idle = proberIdle(prober.get());
    QVERIFY2(idle.isEmpty(), qPrintable(idle));
}

QTEST_MAIN(TestOperatorSoak)
#include "tst_operator_soak.moc"

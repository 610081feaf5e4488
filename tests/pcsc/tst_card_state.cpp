#include "pcsc/card_state.h"

#include <QtTest>

#include <PCSC/pcsclite.h>

class TestCardState : public QObject {
    Q_OBJECT

private slots:
    void stateLine_data();
    void stateLine();
};

void TestCardState::stateLine_data() {
    QTest::addColumn<DWORD>("state");
    QTest::addColumn<QString>("line");

    QTest::newRow("absent") << DWORD(SCARD_ABSENT) << "Card absent.";
    QTest::newRow("present") << DWORD(SCARD_PRESENT) << "Card present.";
    QTest::newRow("swallowed") << DWORD(SCARD_SWALLOWED) << "Card swallowed.";
    QTest::newRow("powered") << DWORD(SCARD_POWERED) << "Card has power.";
    QTest::newRow("negotiable") << DWORD(SCARD_NEGOTIABLE)
                                << "Card reset and waiting PTS negotiation.";
    QTest::newRow("specific") << DWORD(SCARD_SPECIFIC)
                              << "Card has specific communication protocols set.";

    // pcscd sets every stage the card has passed; the furthest one counts.
    QTest::newRow("connected card") << DWORD(SCARD_PRESENT | SCARD_POWERED | SCARD_NEGOTIABLE)
                                    << "Card reset and waiting PTS negotiation.";
    QTest::newRow("protocol set") << DWORD(SCARD_PRESENT | SCARD_POWERED | SCARD_SPECIFIC)
                                  << "Card has specific communication protocols set.";
    QTest::newRow("present and swallowed")
        << DWORD(SCARD_PRESENT | SCARD_SWALLOWED) << "Card swallowed.";
    QTest::newRow("unknown flag beside present")
        << DWORD(SCARD_UNKNOWN | SCARD_PRESENT) << "Card present.";

    QTest::newRow("no flag") << DWORD(0) << "Unknown or unexpected card state.";
    QTest::newRow("unknown only") << DWORD(SCARD_UNKNOWN) << "Unknown or unexpected card state.";
    QTest::newRow("flag beyond the states") << DWORD(0x80) << "Unknown or unexpected card state.";
}

void TestCardState::stateLine() {
    QFETCH(DWORD, state);
    QFETCH(QString, line);
    QCOMPARE(QString::fromLatin1(cardStateLine(state)), line);
}

QTEST_APPLESS_MAIN(TestCardState)
#include "tst_card_state.moc"

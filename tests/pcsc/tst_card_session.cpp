// The card session's calls through the PC/SC seam, with the seam replaced by a script
// of results: a foreign reset, a card held elsewhere and a stop request happen exactly
// where a row puts them.

#include "pcsc/card_session.h"
#include "pcsc/pcsc.h"

#include <QtTest>

#include <deque>
#include <map>

namespace {

// Results the seam gives, call by call; a call with none left succeeds.
std::map<QString, std::deque<LONG>> scripted;
QStringList calls;
constexpr SCARDHANDLE theCard = 7;

LONG next(const QString &call) {
    calls.append(call);
    std::deque<LONG> &results = scripted[call.section(QLatin1Char(' '), 0, 0)];
    if (results.empty())
        return SCARD_S_SUCCESS;
    const LONG result = results.front();
    results.pop_front();
    return result;
}

QString dispositionName(DWORD disposition) {
    return disposition == SCARD_RESET_CARD ? QStringLiteral("reset") : QStringLiteral("leave");
}

} // namespace

namespace pcsc {

LONG connect(SCARDCONTEXT, const QByteArray &, DWORD, SCARDHANDLE *card, DWORD *activeProtocol) {
    *card = theCard;
    *activeProtocol = SCARD_PROTOCOL_T1;
    return next(QStringLiteral("connect"));
}

LONG disconnect(SCARDHANDLE, DWORD disposition) {
    return next(QStringLiteral("disconnect ") + dispositionName(disposition));
}

LONG reconnect(SCARDHANDLE, DWORD, DWORD initialization, DWORD *activeProtocol) {
    *activeProtocol = SCARD_PROTOCOL_T1;
    return next(QStringLiteral("reconnect ") + dispositionName(initialization));
}

LONG beginTransaction(SCARDHANDLE) {
    return next(QStringLiteral("begin"));
}

LONG endTransaction(SCARDHANDLE, DWORD disposition) {
    return next(QStringLiteral("end ") + dispositionName(disposition));
}

LONG status(SCARDHANDLE, DWORD, DWORD *, QByteArray *) {
    return next(QStringLiteral("status"));
}

} // namespace pcsc

using Script = std::map<QString, std::deque<LONG>>;
Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(pcsc::CardSession::Start)

class TestCardSession : public QObject {
    Q_OBJECT

private slots:
    void init() {
        scripted.clear();
        calls.clear();
    }
    void opening_data();
    void opening();
    void heldElsewhereUntilStopped();
};

void TestCardSession::opening_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<pcsc::CardSession::Start>("start");
    QTest::addColumn<LONG>("result");
    QTest::addColumn<QStringList>("expectedCalls"); // the session's whole life

    using Start = pcsc::CardSession::Start;
    const QStringList close{"end leave", "disconnect reset"};
    QTest::newRow("a card to itself") << Script{} << Start::AsFound << LONG(SCARD_S_SUCCESS)
                                      << QStringList{"connect", "begin", "status"} + close;
    QTest::newRow("commands start from a reset")
        << Script{} << Start::Reset << LONG(SCARD_S_SUCCESS)
        << QStringList{"connect", "begin", "status", "reconnect reset"} + close;
    QTest::newRow("foreign reset met by the transaction's start")
        << Script{{"begin", {SCARD_W_RESET_CARD}}} << Start::AsFound << LONG(SCARD_S_SUCCESS)
        << QStringList{"connect", "begin", "reconnect leave", "begin"} + close;
    QTest::newRow("foreign reset met by the first call")
        << Script{{"status", {SCARD_W_RESET_CARD}}} << Start::Reset << LONG(SCARD_S_SUCCESS)
        << QStringList{"connect",         "begin", "status",         "end leave",
                       "reconnect leave", "begin", "reconnect reset"} +
               close;
    QTest::newRow("a second reset is not taken for the first")
        << Script{{"begin", {SCARD_W_RESET_CARD, SCARD_W_RESET_CARD}}} << Start::AsFound
        << LONG(SCARD_W_RESET_CARD)
        << QStringList{"connect", "begin", "reconnect leave", "begin", "disconnect reset"};
    QTest::newRow("another failure of the first call left to the caller")
        << Script{{"status", {SCARD_W_REMOVED_CARD}}} << Start::AsFound << LONG(SCARD_S_SUCCESS)
        << QStringList{"connect", "begin", "status"} + close;
    QTest::newRow("refused connection")
        << Script{{"connect", {SCARD_E_PROTO_MISMATCH}}} << Start::Reset
        << LONG(SCARD_E_PROTO_MISMATCH) << QStringList{"connect"};
    QTest::newRow("transaction refused")
        << Script{{"begin", {SCARD_E_READER_UNAVAILABLE}}} << Start::AsFound
        << LONG(SCARD_E_READER_UNAVAILABLE) << QStringList{"connect", "begin", "disconnect reset"};
    QTest::newRow("held elsewhere for a moment")
        << Script{{"connect", {SCARD_E_SHARING_VIOLATION, SCARD_E_SHARING_VIOLATION}}}
        << Start::AsFound << LONG(SCARD_S_SUCCESS)
        << QStringList{"connect", "connect", "connect", "begin", "status"} + close;
    QTest::newRow("held elsewhere, then taken away")
        << Script{{"connect", {SCARD_E_SHARING_VIOLATION, SCARD_E_NO_SMARTCARD}}} << Start::AsFound
        << LONG(SCARD_E_NO_SMARTCARD) << QStringList{"connect", "connect"};
}

void TestCardSession::opening() {
    QFETCH(Script, script);
    QFETCH(pcsc::CardSession::Start, start);
    QFETCH(LONG, result);
    QFETCH(QStringList, expectedCalls);
    scripted = script;
    {
        pcsc::CardSession session(1, "Reader", SCARD_PROTOCOL_T1, start);
        QCOMPARE(session.result(), result);
        QCOMPARE(session.isOpen(), result == SCARD_S_SUCCESS);
        QCOMPARE(session.handle(), session.isOpen() ? theCard : SCARDHANDLE(0));
        QVERIFY(!session.stopped());
    }
    QCOMPARE(calls, expectedCalls);
}

// A card held elsewhere for good: the tries go on until the stop request, which ends
// them before the next one; a session that holds the card throughout gives up with the
// refusal.
void TestCardSession::heldElsewhereUntilStopped() {
    scripted["connect"] = std::deque<LONG>(1000, SCARD_E_SHARING_VIOLATION);
    {
        pcsc::CardSession session(1, "Reader", SCARD_PROTOCOL_T1, pcsc::CardSession::Start::AsFound,
                                  [] { return calls.size() >= 3; });
        QCOMPARE(session.result(), LONG(SCARD_E_SHARING_VIOLATION));
        QVERIFY(session.stopped());
        QVERIFY(!session.isOpen());
    }
    QCOMPARE(calls, QStringList({"connect", "connect", "connect"}));

    calls.clear();
    pcsc::CardSession giveUp(1, "Reader", SCARD_PROTOCOL_T1, pcsc::CardSession::Start::AsFound);
    QCOMPARE(giveUp.result(), LONG(SCARD_E_SHARING_VIOLATION));
    QVERIFY(!giveUp.stopped());
    // Every 100 ms for 3 s: many tries, and far from all 1000.
    QVERIFY2(calls.size() > 10 && calls.size() < 100, qPrintable(QString::number(calls.size())));
}

QTEST_APPLESS_MAIN(TestCardSession)
#include "tst_card_session.moc"

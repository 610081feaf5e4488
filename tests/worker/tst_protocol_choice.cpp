#include "pcsc/pcsc.h"
#include "worker/active_protocol.h"
#include "worker/protocol_choice.h"

#include <QtTest>

Q_DECLARE_METATYPE(const SCARD_IO_REQUEST *)

class TestProtocolChoice : public QObject {
    Q_OBJECT

private slots:
    void startsWithT0();
    void preferred_data();
    void preferred();
    void activeProtocol_data();
    void activeProtocol();
};

void TestProtocolChoice::startsWithT0() {
    QCOMPARE(activeProtocolPci.load(), pcsc::t0Pci());
}

void TestProtocolChoice::preferred_data() {
    QTest::addColumn<bool>("desfire");
    QTest::addColumn<bool>("apdu");
    QTest::addColumn<bool>("t0");
    QTest::addColumn<bool>("t1");
    QTest::addColumn<DWORD>("protocols");

    const DWORD both = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
    QTest::newRow("plain card") << false << false << false << false << both;
    QTest::newRow("T0 asked, no APDU") << false << false << true << false << both;
    QTest::newRow("T1 asked, no APDU") << false << false << false << true << both;
    QTest::newRow("APDU, no preference") << false << true << false << false << both;
    QTest::newRow("APDU with T0") << false << true << true << false << DWORD(SCARD_PROTOCOL_T0);
    QTest::newRow("APDU with T1") << false << true << false << true << DWORD(SCARD_PROTOCOL_T1);
    QTest::newRow("APDU with both: T0 wins")
        << false << true << true << true << DWORD(SCARD_PROTOCOL_T0);
    QTest::newRow("DESFire") << true << false << false << false << DWORD(SCARD_PROTOCOL_T1);
    QTest::newRow("DESFire, T0 asked, no APDU")
        << true << false << true << false << DWORD(SCARD_PROTOCOL_T1);
    QTest::newRow("DESFire and APDU with T0")
        << true << true << true << false << DWORD(SCARD_PROTOCOL_T0);
}

void TestProtocolChoice::preferred() {
    QFETCH(bool, desfire);
    QFETCH(bool, apdu);
    QFETCH(bool, t0);
    QFETCH(bool, t1);
    QFETCH(DWORD, protocols);

    QCOMPARE(preferredProtocols({desfire, apdu, t0, t1}), protocols);
}

void TestProtocolChoice::activeProtocol_data() {
    QTest::addColumn<const SCARD_IO_REQUEST *>("before");
    QTest::addColumn<DWORD>("protocol");
    QTest::addColumn<const SCARD_IO_REQUEST *>("after");

    QTest::newRow("T0") << pcsc::t1Pci() << DWORD(SCARD_PROTOCOL_T0) << pcsc::t0Pci();
    QTest::newRow("T1") << pcsc::t0Pci() << DWORD(SCARD_PROTOCOL_T1) << pcsc::t1Pci();
    QTest::newRow("raw keeps T1") << pcsc::t1Pci() << DWORD(SCARD_PROTOCOL_RAW) << pcsc::t1Pci();
    QTest::newRow("none keeps T0") << pcsc::t0Pci() << DWORD(0) << pcsc::t0Pci();
}

void TestProtocolChoice::activeProtocol() {
    QFETCH(const SCARD_IO_REQUEST *, before);
    QFETCH(DWORD, protocol);
    QFETCH(const SCARD_IO_REQUEST *, after);

    activeProtocolPci = before;
    selectActiveProtocol(protocol);
    QCOMPARE(activeProtocolPci.load(), after);
}

QTEST_APPLESS_MAIN(TestProtocolChoice)
#include "tst_protocol_choice.moc"

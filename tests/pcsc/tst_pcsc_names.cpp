#include "pcsc/pcsc_names.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QtTest>

#include <PCSC/pcsclite.h>

namespace {

// Every result constant that the installed pcsclite.h defines, value to name. Where a
// value is defined twice, the later definition is the name pcsc-lite reports.
QMap<quint32, QString> headerNames() {
    QFile header(QStringLiteral(PCSCLITE_HEADER));
    if (!header.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    static const QRegularExpression define(
        QStringLiteral(R"(^#define\s+(SCARD_[SEFW]_\w+)\s+\(\(LONG\)0x([0-9A-Fa-f]{8})\))"));
    QMap<quint32, QString> names;
    while (!header.atEnd()) {
        const QRegularExpressionMatch match = define.match(QString::fromLatin1(header.readLine()));
        if (match.hasMatch())
            names.insert(match.captured(2).toUInt(nullptr, 16), match.captured(1));
    }
    return names;
}

} // namespace

class TestPcscNames : public QObject {
    Q_OBJECT

private slots:
    void everyHeaderCodeHasItsName_data();
    void everyHeaderCodeHasItsName();
    void unnamedCodes_data();
    void unnamedCodes();
};

void TestPcscNames::everyHeaderCodeHasItsName_data() {
    QTest::addColumn<LONG>("code");
    QTest::addColumn<QString>("name");
    const QMap<quint32, QString> names = headerNames();
    QVERIFY2(names.size() > 50, PCSCLITE_HEADER " could not be read");
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        QTest::newRow(qPrintable(it.value())) << LONG(it.key()) << it.value();
}

void TestPcscNames::everyHeaderCodeHasItsName() {
    QFETCH(LONG, code);
    QFETCH(QString, name);
    QCOMPARE(pcscCodeName(code), name);
}

void TestPcscNames::unnamedCodes_data() {
    QTest::addColumn<LONG>("code");
    QTest::addColumn<QString>("name");
    // The value pcsc-lite reports for both of its names, and Windows' own value of
    // SCARD_E_UNSUPPORTED_FEATURE, which pcsclite.h only mentions in a comment.
    QTest::newRow("pcsc-lite's shared value") << LONG(0x8010001F) << "SCARD_E_UNSUPPORTED_FEATURE";
    QTest::newRow("Windows-only value") << LONG(0x80100022) << "0x80100022";
    QTest::newRow("gap in the range") << LONG(0x80100018) << "0x80100018";
    QTest::newRow("letters upper case") << LONG(0x8010ABCD) << "0x8010ABCD";
    QTest::newRow("leading zeros kept") << LONG(0x2A) << "0x0000002A";
    QTest::newRow("all bits") << LONG(-1) << "0xFFFFFFFF";
}

void TestPcscNames::unnamedCodes() {
    QFETCH(LONG, code);
    QFETCH(QString, name);
    QCOMPARE(pcscCodeName(code), name);
}

QTEST_APPLESS_MAIN(TestPcscNames)
#include "tst_pcsc_names.moc"

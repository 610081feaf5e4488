// The virtual DESFire card's wire behaviour: ISO wrapping, frame chaining, GetVersion,
// the command log, power events and the oversized-answer fault.

#include "desfire_card.h"
#include "desfire_reader.h"
#include "hex.h"

#include <QtTest>

using namespace desfirereader;
using vcard::DesfireCard;
using vcard::fromHex;

namespace {

// "3D 01 000000 ..." is native command 3D with its data, wrapped; "raw 90 60 ..." is
// sent as it stands.
Bytes apduFrom(const QString &text) {
    if (text.startsWith(QLatin1String("raw ")))
        return fromHex(text.mid(4).toStdString());
    const Bytes native = fromHex(text.toStdString());
    return wrap(native.front(), Bytes(native.begin() + 1, native.end()));
}

QString repeated(const char *byteHex, int count) {
    return QString::fromLatin1(byteHex).repeated(count);
}

Bytes counting(std::size_t size) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>(i);
    return data;
}

// The test application, selected, with file 1 (150 counting bytes) and file 2
// (100 zero bytes), both with free access.
vcard::DesfireOptions conversationCard() {
    vcard::DesfireFileSpec one;
    one.number = 1;
    one.size = 150;
    one.contents = counting(150);
    vcard::DesfireFileSpec two;
    two.number = 2;
    two.size = 100;
    return withTestApplication({one, two});
}

} // namespace

class TestDesfireProtocol : public QObject {
    Q_OBJECT

private slots:
    void isoWrapping_data();
    void isoWrapping();
    void malformedWrappingLeavesChainIntact();
    void nativeLengths_data();
    void nativeLengths();
    void conversation_data();
    void conversation();
    void writeChainKeepsFramesAlreadyWritten();
    void readChainReturnsTheFile_data();
    void readChainReturnsTheFile();
    void getVersionFrames();
    void powerEventsEndSession();
    void commandLogRecordsEveryExchange();
    void statusPaddingOverflowsStatusOnlyBuffers();
    void readerAnswersGetData_data();
    void readerAnswersGetData();
};

// Wrong CLA 6E 00, P1 P2 other than 00 00 6A 86, lengths that disagree 67 00.
void TestDesfireProtocol::isoWrapping_data() {
    QTest::addColumn<QString>("apdu");
    QTest::addColumn<QString>("answer");
    QTest::newRow("class 00") << "00 6E 00 00 00"
                              << "6E00";
    QTest::newRow("class 80") << "80 6E 00 00 00"
                              << "6E00";
    QTest::newRow("P1 not 00") << "90 6E 01 00 00"
                               << "6A86";
    QTest::newRow("P2 not 00") << "90 6E 00 01 00"
                               << "6A86";
    QTest::newRow("header only, no Le") << "90 6E 00 00"
                                        << "6700";
    QTest::newRow("one byte") << "90"
                              << "6700";
    QTest::newRow("Le not 00") << "90 6E 00 00 03"
                               << "6700";
    QTest::newRow("data without Le") << "90 5A 00 00 03 C8 28 68"
                                     << "6700";
    QTest::newRow("Lc above the data") << "90 5A 00 00 04 C8 28 68 00"
                                       << "6700";
    QTest::newRow("Lc below the data") << "90 5A 00 00 02 C8 28 68 00"
                                       << "6700";
    QTest::newRow("Le after data not 00") << "90 5A 00 00 03 C8 28 68 01"
                                          << "6700";
    QTest::newRow("Lc 00 with a trailer") << "90 5A 00 00 00 00"
                                          << "6700";
    QTest::newRow("well formed, no data") << "90 6E 00 00 00"
                                          << "001F009100";
    QTest::newRow("well formed, data") << "90 5A 00 00 03 00 00 00 00"
                                       << "9100";
    QTest::newRow("unknown native command") << "90 01 00 00 00"
                                            << "911C";
}

void TestDesfireProtocol::isoWrapping() {
    QFETCH(QString, apdu);
    QFETCH(QString, answer);
    DesfireCard card;
    QCOMPARE(QString::fromStdString(vcard::toHex(card.execute(fromHex(apdu.toStdString())))),
             answer);
}

void TestDesfireProtocol::malformedWrappingLeavesChainIntact() {
    DesfireCard card;
    QCOMPARE(run(card, 0x60), 0xAF);
    QCOMPARE(card.execute(fromHex("00 AF 00 00 00")), fromHex("6E00"));
    const Bytes second = card.execute(wrap(0xAF));
    QCOMPARE(nativeStatus(second), 0xAF);
    QCOMPARE(second[4], std::uint8_t{0x04}); // the software version frame
}

// Every command refuses data of the wrong length with 7E and changes nothing.
void TestDesfireProtocol::nativeLengths_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Authenticate, no key number") << "0A";
    QTest::newRow("Authenticate, two bytes") << "0A 00 00";
    QTest::newRow("SelectApplication, 2 bytes") << "5A 00 00";
    QTest::newRow("SelectApplication, 4 bytes") << "5A 00 00 00 00";
    QTest::newRow("CreateApplication, 4 bytes") << "CA 01 02 03 0F";
    QTest::newRow("CreateApplication, 6 bytes") << "CA 01 02 03 0F 01 00";
    QTest::newRow("DeleteApplication, 2 bytes") << "DA C8 28";
    QTest::newRow("DeleteApplication, 4 bytes") << "DA C8 28 68 00";
    QTest::newRow("FormatPICC with data") << "FC 00";
    QTest::newRow("GetApplicationIDs with data") << "6A 00";
    QTest::newRow("GetFileIDs with data") << "6F 00";
    QTest::newRow("GetKeySettings with data") << "45 00";
    QTest::newRow("FreeMemory with data") << "6E 00";
    QTest::newRow("GetVersion with data") << "60 00";
    QTest::newRow("CreateStdDataFile, 6 bytes") << "CD 05 00 EE EE 20 00";
    QTest::newRow("CreateStdDataFile, 8 bytes") << "CD 05 00 EE EE 20 00 00 00";
    QTest::newRow("WriteData, header cut short") << "3D 01 000000 0100";
    QTest::newRow("ReadData, 6 bytes") << "BD 01 000000 0100";
    QTest::newRow("ReadData, 8 bytes") << "BD 01 000000 010000 00";
    QTest::newRow("frame of 60 data bytes") << "3D 02 000000 350000" + repeated("AA", 53);
}

void TestDesfireProtocol::nativeLengths() {
    QFETCH(QString, command);
    DesfireCard card(conversationCard());
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    const std::size_t freeBefore = card.freeMemory();
    QCOMPARE(nativeStatus(card.execute(apduFrom(command))), 0x7E);
    QCOMPARE(card.applicationIds().size(), std::size_t{1});
    QCOMPARE(card.selectedApplication(), testAid);
    QCOMPARE(card.freeMemory(), freeBefore);
    QCOMPARE(card.fileContents(testAid, 2), Bytes(100, 0x00));
}

// Each row starts on conversationCard() with the test application selected.
void TestDesfireProtocol::conversation_data() {
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QList<int>>("statuses");

    const QString write100 = "3D 02 000000 640000";
    QTest::newRow("write in three frames")
        << QStringList{write100 + repeated("11", 40), "AF" + repeated("22", 40),
                       "AF" + repeated("33", 20)}
        << QList<int>{0xAF, 0xAF, 0x00};
    QTest::newRow("write of 59 bytes in one frame")
        << QStringList{"3D 02 000000 3B0000" + repeated("11", 52), "AF" + repeated("22", 7)}
        << QList<int>{0xAF, 0x00};
    QTest::newRow("first frame carries more than announced")
        << QStringList{"3D 02 000000 0A0000" + repeated("11", 11), "AF 11"}
        << QList<int>{0x7E, 0x1C};
    QTest::newRow("continuation carries more than is left")
        << QStringList{"3D 02 000000 320000" + repeated("11", 40), "AF" + repeated("22", 11),
                       "AF" + repeated("22", 10)}
        << QList<int>{0xAF, 0x7E, 0x1C};
    QTest::newRow("empty continuation frame")
        << QStringList{write100 + repeated("11", 40), "AF", "AF 11"}
        << QList<int>{0xAF, 0x7E, 0x1C};
    QTest::newRow("another command interrupts a write")
        << QStringList{write100 + repeated("11", 40), "6E", "AF" + repeated("22", 40), "6E"}
        << QList<int>{0xAF, 0xCA, 0x1C, 0x00};
    QTest::newRow("AF without a chain") << QStringList{"AF", "AF 01 02"} << QList<int>{0x1C, 0x1C};
    QTest::newRow("read chain asked on with data")
        << QStringList{"BD 01 000000 000000", "AF 00", "AF"} << QList<int>{0xAF, 0x7E, 0x1C};
    QTest::newRow("another command interrupts a read")
        << QStringList{"BD 01 000000 000000", "60", "AF"} << QList<int>{0xAF, 0xCA, 0x1C};
    QTest::newRow("another command interrupts GetVersion")
        << QStringList{"60", "AF", "5A 000000", "6E"} << QList<int>{0xAF, 0xAF, 0xCA, 0x00};
    QTest::newRow("another command interrupts an authentication")
        << QStringList{"0A 00", "60", "AF" + repeated("00", 16)} << QList<int>{0xAF, 0xCA, 0x1C};
    QTest::newRow("authentication answer of 15 bytes")
        << QStringList{"0A 00", "AF" + repeated("00", 15), "AF" + repeated("00", 16)}
        << QList<int>{0xAF, 0x7E, 0x1C};
    QTest::newRow("write past the end")
        << QStringList{"3D 02 600000 050000 0102030405", "AF 01"} << QList<int>{0xBE, 0x1C};
    QTest::newRow("write of length 0") << QStringList{"3D 02 000000 000000"} << QList<int>{0x7E};
    QTest::newRow("write up to the last byte")
        << QStringList{"3D 02 630000 010000 FF"} << QList<int>{0x00};
    QTest::newRow("write to a missing file")
        << QStringList{"3D 07 000000 010000 FF"} << QList<int>{0xF0};
    QTest::newRow("read past the end") << QStringList{"BD 02 600000 050000"} << QList<int>{0xBE};
    QTest::newRow("read to the end from past the end")
        << QStringList{"BD 02 640000 000000"} << QList<int>{0xBE};
    QTest::newRow("read of a missing file")
        << QStringList{"BD 07 000000 010000"} << QList<int>{0xF0};
}

void TestDesfireProtocol::conversation() {
    QFETCH(QStringList, commands);
    QFETCH(QList<int>, statuses);
    DesfireCard card(conversationCard());
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QList<int> got;
    for (const QString &command : commands)
        got << nativeStatus(card.execute(apduFrom(command)));
    QCOMPARE(got, statuses);
}

void TestDesfireProtocol::writeChainKeepsFramesAlreadyWritten() {
    DesfireCard card(conversationCard());
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
    QCOMPARE(nativeStatus(card.execute(apduFrom("3D 02 0A0000 140000 0102030405"))), 0xAF);
    QCOMPARE(nativeStatus(card.execute(apduFrom("AF 0607"))), 0xAF);
    QCOMPARE(run(card, 0x6E), 0xCA);

    Bytes expected(100, 0x00);
    for (std::uint8_t i = 0; i < 7; ++i)
        expected[10 + i] = i + 1;
    QCOMPARE(card.fileContents(testAid, 2), expected);
}

void TestDesfireProtocol::readChainReturnsTheFile_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("frameSizes");
    QTest::newRow("whole file, length 0") << 0 << 0 << QList<int>{59, 59, 32};
    QTest::newRow("to the end from 100") << 100 << 0 << QList<int>{50};
    QTest::newRow("exactly one frame") << 10 << 59 << QList<int>{59};
    QTest::newRow("one byte over a frame") << 10 << 60 << QList<int>{59, 1};
    QTest::newRow("last byte") << 149 << 1 << QList<int>{1};
}

void TestDesfireProtocol::readChainReturnsTheFile() {
    QFETCH(int, offset);
    QFETCH(int, length);
    QFETCH(QList<int>, frameSizes);
    DesfireCard card(conversationCard());
    QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);

    const Bytes header{0x01, static_cast<std::uint8_t>(offset), 0x00,
                       0x00, static_cast<std::uint8_t>(length), 0x00,
                       0x00};
    Bytes answer = card.execute(wrap(0xBD, header));
    Bytes read;
    QList<int> sizes;
    for (;;) {
        const Bytes data = answerData(answer);
        sizes << static_cast<int>(data.size());
        read.insert(read.end(), data.begin(), data.end());
        if (nativeStatus(answer) != 0xAF)
            break;
        answer = card.execute(wrap(0xAF));
    }
    QCOMPARE(nativeStatus(answer), 0x00);
    QCOMPARE(sizes, frameSizes);
    const Bytes file = counting(150);
    const int end = length == 0 ? 150 : offset + length;
    QCOMPARE(read, Bytes(file.begin() + offset, file.begin() + end));
}

void TestDesfireProtocol::getVersionFrames() {
    vcard::DesfireOptions options;
    options.uid = fromHex("04 11 22 33 44 55 66");
    DesfireCard card(options);

    QCOMPARE(card.execute(wrap(0x60)), fromHex("04 01 01 01 00 1A 05 91 AF"));
    QCOMPARE(card.execute(wrap(0xAF)), fromHex("04 01 01 01 04 1A 05 91 AF"));
    const Bytes last = card.execute(wrap(0xAF));
    QCOMPARE(last.size(), std::size_t{7 + 5 + 1 + 1 + 2});
    QCOMPARE(Bytes(last.begin(), last.begin() + 7), options.uid);
    QCOMPARE(nativeStatus(last), 0x00);
    QCOMPARE(run(card, 0xAF), 0x1C);
}

void TestDesfireProtocol::powerEventsEndSession() {
    for (const char *event : {"power off", "reset", "power on"}) {
        DesfireCard card(conversationCard());
        QCOMPARE(run(card, 0x5A, aidBytes(testAid)), 0x00);
        QCOMPARE(authenticate(card, 0, zeroKey).secondStatus, 0x00);
        QCOMPARE(run(card, 0x60), 0xAF);

        if (qstrcmp(event, "power off") == 0)
            card.powerOff();
        else if (qstrcmp(event, "reset") == 0)
            card.reset();
        else
            card.powerOn();

        QVERIFY2(!card.authenticated(), event);
        QVERIFY2(card.selectedApplication() == vcard::desfire::piccLevel, event);
        QVERIFY2(run(card, 0xAF) == 0x1C, event); // the GetVersion chain is gone
        QVERIFY2(card.fileContents(testAid, 1) == counting(150), event);
    }
}

void TestDesfireProtocol::commandLogRecordsEveryExchange() {
    DesfireCard card;
    const std::vector<Bytes> commands{wrap(0x6E), fromHex("00 A4 04 00 00"), wrap(0x60)};
    std::vector<Bytes> answers;
    for (const Bytes &command : commands)
        answers.push_back(card.execute(command));

    const auto log = card.commandLog();
    QCOMPARE(log.size(), commands.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        QCOMPARE(log[i].command, commands[i]);
        QCOMPARE(log[i].answer, answers[i]);
    }
    card.clearCommandLog();
    QVERIFY(card.commandLog().empty());
}

void TestDesfireProtocol::statusPaddingOverflowsStatusOnlyBuffers() {
    vcard::DesfireOptions options;
    options.statusPadding = 3;
    DesfireCard card(options);

    QCOMPARE(card.execute(wrap(0xCA, fromHex("C8 28 68 0F 0E"))), fromHex("000000 9100"));
    QCOMPARE(card.execute(wrap(0x6E)), fromHex("E01D00 000000 9100"));
    QCOMPARE(card.execute(fromHex("00 A4 04 00 00")), fromHex("000000 6E00"));
    QCOMPARE(card.commandLog().back().answer, fromHex("000000 6E00"));
    QCOMPARE(card.applicationIds(), std::vector<vcard::desfire::Aid>{testAid});
}

void TestDesfireProtocol::readerAnswersGetData_data() {
    QTest::addColumn<QString>("apdu");
    QTest::addColumn<QString>("answer");
    QTest::newRow("UID") << "FF CA 00 00 00"
                         << "043A5C72912E80 9000";
    QTest::newRow("UID, Le 7") << "FF CA 00 00 07"
                               << "043A5C72912E80 9000";
    QTest::newRow("UID, Le 4") << "FF CA 00 00 04"
                               << "6C07";
    QTest::newRow("historical bytes, not offered") << "FF CA 01 00 00"
                                                   << "6A81";
}

// The reader answers Get Data from what it learnt when the card came into its field:
// the card's own state, a chain under way and the padding of its statuses included, is
// not touched.
void TestDesfireProtocol::readerAnswersGetData() {
    QFETCH(QString, apdu);
    QFETCH(QString, answer);
    vcard::DesfireOptions padded;
    padded.statusPadding = 2;
    DesfireCard card(padded);
    QCOMPARE(nativeStatus(card.execute(wrap(0x60))), 0xAF);
    QCOMPARE(QString::fromStdString(vcard::toHex(card.execute(fromHex(apdu.toStdString())))),
             QString::fromStdString(vcard::toHex(fromHex(answer.toStdString()))));
    const Bytes software = card.execute(wrap(0xAF));
    QCOMPARE(Bytes(software.begin(), software.begin() + 7), fromHex("04010101041A05"));
    QCOMPARE(Bytes(software.end() - 2, software.end()), fromHex("91AF"));
    QCOMPARE(card.commandLog().size(), std::size_t{3});
}

QTEST_GUILESS_MAIN(TestDesfireProtocol)
#include "tst_desfire_protocol.moc"

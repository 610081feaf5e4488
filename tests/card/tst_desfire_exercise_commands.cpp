#include "card/desfire_exercise_commands.h"

#include <QtTest>

using namespace desfire::exercise;

namespace {

const QByteArray firstChunkHex = "2ABB9AACED1B6BC415821FFDE141A1BA67F8DC2513E2122F20A53D341A1F9E87"
                                 "CC88A168684010BED0EC9F1B137553";
const QByteArray middleChunkHex = "21C42124047DC7F4E5FC915CDCB6812072BCBB98991E739575BD24BB60071C25"
                                  "F2C9FBED4FCE415C3696EFDCE7D04365CABE2B11AF";
const QByteArray lastChunkHex =
    "10DD187488452A6F5A8CE83B773BC1A4751900B19B7F63AE3EF4A1A2A3A4A5A6A7";

// The data bytes between the ISO header (and Lc) and the trailing Le.
QByteArray body(const QByteArray &command) {
    return command.mid(5, command.size() - 6);
}

} // namespace

class TestDesfireExerciseCommands : public QObject {
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void testPatternFromItsChunks();
    void writeFramesCarryThePattern();
};

void TestDesfireExerciseCommands::frames_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("expectedHex");
    const Commands &c = commands();
    QTest::newRow("create application")
        << c.createApplication << 11 << QByteArray("90CA000005C828680F0E00");
    QTest::newRow("select application")
        << c.selectApplication << 9 << QByteArray("905A000003C8286800");
    QTest::newRow("create file") << c.createFile << 13
                                 << QByteArray("90CD000007 02 00 0E0E 4C1D00 00");
    QTest::newRow("write, first frame")
        << c.writeFirstFrame << 60
        << QByteArray("903D000036 02 000000 4C1D00" + firstChunkHex + "00");
    QTest::newRow("write, middle frame")
        << c.writeMiddleFrame << 59 << QByteArray("90AF000035" + middleChunkHex + "00");
    QTest::newRow("write, last frame")
        << c.writeLastFrame << 39 << QByteArray("90AF000021" + lastChunkHex + "00");
    QTest::newRow("delete application")
        << c.deleteApplication << 9 << QByteArray("90DA000003C8286800");
    QTest::newRow("format card") << c.formatCard << 5 << QByteArray("90FC000000");
}

void TestDesfireExerciseCommands::frames() {
    QFETCH(QByteArray, command);
    QFETCH(int, size);
    QFETCH(QByteArray, expectedHex);
    QCOMPARE(command.size(), size);
    QCOMPARE(command.toHex().toUpper(), QByteArray::fromHex(expectedHex).toHex().toUpper());
    if (size > 5)
        QCOMPARE(int(quint8(command[4])), size - 6); // Lc counts the data bytes
}

void TestDesfireExerciseCommands::testPatternFromItsChunks() {
    const QByteArray expected = QByteArray::fromHex(firstChunkHex) +
                                QByteArray::fromHex(middleChunkHex).repeated(140) +
                                QByteArray::fromHex(lastChunkHex);
    QCOMPARE(expected.size(), 7500);
    QCOMPARE(testPattern(), expected);
}

// What the write phase sends, first frame, 140 middle frames, last frame: 142 frames
// whose data after the WriteData header is exactly the file's 7500 bytes.
void TestDesfireExerciseCommands::writeFramesCarryThePattern() {
    QByteArrayList frames{commands().writeFirstFrame};
    for (int i = 0; i < middleFrameCount; ++i)
        frames.append(commands().writeMiddleFrame);
    frames.append(commands().writeLastFrame);
    QCOMPARE(frames.size(), 142);

    const int writeDataHeader = 7; // file number, offset (3), length (3)
    QByteArray written = body(frames.takeFirst()).mid(writeDataHeader);
    for (const QByteArray &frame : frames)
        written += body(frame);
    QCOMPARE(written.size(), int(testFileSize));
    QCOMPARE(written, testPattern());
}

QTEST_APPLESS_MAIN(TestDesfireExerciseCommands)
#include "tst_desfire_exercise_commands.moc"

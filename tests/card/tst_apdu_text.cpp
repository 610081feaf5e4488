#include "card/apdu_text.h"

#include <QtTest>

class TestApduText : public QObject {
    Q_OBJECT

private slots:
    void splitLines_data();
    void splitLines();
    void fileText_data();
    void fileText();
    void decodeLine_data();
    void decodeLine();
    void responseEntry_data();
    void responseEntry();
    void joinEntries_data();
    void joinEntries();
    void popupTitle();
};

void TestApduText::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one line") << "00A4040000" << QStringList{"00A4040000"};
    QTest::newRow("LF") << "00b0000000\n00b0000100" << QStringList{"00b0000000", "00b0000100"};
    QTest::newRow("CR") << "00b0000000\r00b0000100" << QStringList{"00b0000000", "00b0000100"};
    QTest::newRow("CR LF is two breaks") << "A\r\nB" << QStringList{"A", "", "B"};
    QTest::newRow("trailing break gives an empty last line")
        << "00b0000000\n00b0000100\n"
        << QStringList{"00b0000000", "00b0000100", ""};
    QTest::newRow("empty line kept")
        << "00A40400\n\n00B0000000" << QStringList{"00A40400", "", "00B0000000"};
    QTest::newRow("empty text is one empty line") << "" << QStringList{""};
    QTest::newRow("only a break") << "\n" << QStringList{"", ""};
    QTest::newRow("other white space stays in the line")
        << "00 A4\t04 00 00" << QStringList{"00 A4\t04 00 00"};
    // A paste can bring UTF-16 that is not valid Unicode; its line breaks still count.
    const QChar loneSurrogate(ushort(0xD800));
    QTest::newRow("lone surrogate")
        << QString("00A4") + loneSurrogate + "0400\n00B0000000"
        << QStringList{QString("00A4") + loneSurrogate + "0400", "00B0000000"};
}

void TestApduText::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(apdutext::splitLines(text), lines);
}

void TestApduText::fileText_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines"); // as splitLines then cuts the text
    const QStringList two{"9060000000", "90AF000000"};
    QTest::newRow("LF") << QByteArray("9060000000\n90AF000000\n") << two;
    QTest::newRow("CR LF") << QByteArray("9060000000\r\n90AF000000\r\n") << two;
    QTest::newRow("CR") << QByteArray("9060000000\r90AF000000\r") << two;
    QTest::newRow("last line without its end") << QByteArray("9060000000\r\n90AF000000") << two;
    QTest::newRow("mixed") << QByteArray("A\r\nB\nC\rD") << QStringList{"A", "B", "C", "D"};
    QTest::newRow("empty lines kept, whatever their ends")
        << QByteArray("A\r\n\r\nB\n\nC\r\rD") << QStringList{"A", "", "B", "", "C", "", "D"};
    QTest::newRow("CR then CR LF: two ends") << QByteArray("A\r\r\nB") << QStringList{"A", "", "B"};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("empty") << QByteArray() << QStringList{""};
    QTest::newRow("UTF-8") << QByteArray("00 A4 \xe2\x82\xac\n")
                           << QStringList{QString::fromUtf8("00 A4 \xe2\x82\xac")};
}

void TestApduText::fileText() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    QCOMPARE(apdutext::splitLines(apdutext::fileText(content)), lines);
}

void TestApduText::decodeLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray select = QByteArray::fromRawData("\x00\xA4\x04\x00\x00", 5);
    QTest::newRow("plain") << "00A4040000" << select;
    QTest::newRow("spaces") << "00 A4 04 00 00" << select;
    QTest::newRow("colons") << "00:A4:04:00:00" << select;
    QTest::newRow("lower case") << "00a4040000" << select;
    QTest::newRow("odd count pairs from the end") << "a0b" << QByteArray("\x0A\x0B", 2);
    QTest::newRow("single digit") << "5" << QByteArray("\x05", 1);
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("no digit") << "xyz -" << QByteArray();
    QTest::newRow("NUL skipped") << QString::fromLatin1("00\0A4", 5) << QByteArray("\x00\xA4", 2);
    // Characters beyond Latin-1 must not turn into digits, whatever they look like.
    QTest::newRow("full-width digits skipped") << QString::fromUtf8("\xEF\xBC\xA1\xEF\xBC\xA2"
                                                                    "0102")
                                               << QByteArray("\x01\x02", 2);
    QTest::newRow("Arabic-Indic digits skipped") << QString::fromUtf8("\xD9\xA3\xD9\xA4"
                                                                      "C0")
                                                 << QByteArray("\xC0", 1);
    QTest::newRow("euro sign and emoji skipped") << QString::fromUtf8("\xE2\x82\xAC"
                                                                      "9\xF0\x9F\x98\x80"
                                                                      "0")
                                                 << QByteArray("\x90", 1);
    QTest::newRow("Latin-1 letters skipped") << QString::fromUtf8("\xC3\xA9"
                                                                  "AB\xC3\x9F")
                                             << QByteArray("\xAB", 1);
}

void TestApduText::decodeLine() {
    QFETCH(QString, line);
    QFETCH(QByteArray, bytes);
    QCOMPARE(apdutext::decodeLine(line), bytes);
}

void TestApduText::responseEntry_data() {
    QTest::addColumn<int>("lineIndex");
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("entry");
    QTest::newRow("first line") << 0 << QByteArray::fromHex("9000") << "APDU Response 1: 9000";
    QTest::newRow("upper-case hex") << 2 << QByteArray::fromHex("6a82") << "APDU Response 3: 6A82";
    QTest::newRow("data and status")
        << 9 << QByteArray::fromHex("000102039000") << "APDU Response 10: 000102039000";
    QTest::newRow("no bytes") << 0 << QByteArray() << "APDU Response 1: ";
}

void TestApduText::responseEntry() {
    QFETCH(int, lineIndex);
    QFETCH(QByteArray, response);
    QFETCH(QString, entry);
    QCOMPARE(apdutext::responseEntry(lineIndex, response), entry);
}

void TestApduText::joinEntries_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("joined");
    QTest::newRow("none") << QStringList() << "";
    QTest::newRow("one, no trailing CR")
        << QStringList{"APDU Response 1: 9000"} << "APDU Response 1: 9000";
    QTest::newRow("gap in numbering kept")
        << QStringList{"APDU Response 1: 9000", "APDU Response 3: 6A82"}
        << "APDU Response 1: 9000\rAPDU Response 3: 6A82";
}

void TestApduText::joinEntries() {
    QFETCH(QStringList, entries);
    QFETCH(QString, joined);
    QCOMPARE(apdutext::joinEntries(entries), joined);
}

void TestApduText::popupTitle() {
    QCOMPARE(apdutext::popupTitle, QStringLiteral("APDU Response "));
}

QTEST_APPLESS_MAIN(TestApduText)
#include "tst_apdu_text.moc"

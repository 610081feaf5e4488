#include "worker/atr_list.h"

#include <QtTest>

class TestAtrList : public QObject {
    Q_OBJECT

private slots:
    void hexText_data();
    void hexText();
    void identification_data();
    void identification();
    void descriptionsBounded();
};

void TestAtrList::hexText_data() {
    QTest::addColumn<QByteArray>("atr");
    QTest::addColumn<QString>("hex");

    QTest::newRow("four bytes") << QByteArray::fromHex("3b123456") << "3B123456";
    QTest::newRow("letters upper case") << QByteArray::fromHex("3bfadeff") << "3BFADEFF";
    QTest::newRow("zero bytes kept") << QByteArray::fromHex("3b000a00") << "3B000A00";
    QTest::newRow("longest ATR") << QByteArray(33, '\xab') << QString(33, 'X').replace("X", "AB");
    QTest::newRow("none") << QByteArray() << QString();
}

void TestAtrList::hexText() {
    QFETCH(QByteArray, atr);
    QFETCH(QString, hex);
    QCOMPARE(atrHex(atr), hex);
}

static const char header[] = "#\n# smart card list\n#\n$Id: fixture $\n\n";

void TestAtrList::identification_data() {
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("atr");
    QTest::addColumn<QStringList>("texts");

    const QByteArray oneEntry = QByteArray(header) + "3B 12 34 56\n\tFirst card\n\n";
    QTest::newRow("single spaces")
        << oneEntry << "3B123456" << QStringList{"ATR: 3B123456\nFirst card"};
    QTest::newRow("other ATR") << oneEntry << "3B123457" << QStringList();
    QTest::newRow("shorter ATR") << oneEntry << "3B1234" << QStringList();
    QTest::newRow("empty list") << QByteArray() << "3B123456" << QStringList();

    QTest::newRow("doubled and trailing whitespace")
        << QByteArray("3B  12 34\t56  \n\tFirst card\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nFirst card"};
    QTest::newRow("leading blank") << QByteArray(" 3B 12 34 56\n\tFirst card\n") << "3B123456"
                                   << QStringList{"ATR: 3B123456\nFirst card"};
    QTest::newRow("Windows line ends") << QByteArray("3B 12 34 56\r\n\tFirst card\r\n")
                                       << "3B123456" << QStringList{"ATR: 3B123456\nFirst card"};

    QTest::newRow("lower-case pattern")
        << QByteArray("3b 12 34 5a\n\tLower card\n") << "3B12345A" << QStringList();
    QTest::newRow("comment and dollar lines are not patterns")
        << QByteArray("#3B 12 34 56\n\tComment\n$3B 12 34 56\n\tDollar\n") << "3B123456"
        << QStringList();
    QTest::newRow("stray description is not a pattern")
        << QByteArray("\t3B 12 34 56\n\tStray\n") << "3B123456" << QStringList();

    QTest::newRow("descriptions grow one line at a time")
        << QByteArray(header) + "3B 12 34 56\n\tFirst line\n\tSecond line\n\tThird line\n\n"
        << "3B123456"
        << QStringList{"ATR: 3B123456\nFirst line", "ATR: 3B123456\nFirst line\nSecond line",
                       "ATR: 3B123456\nFirst line\nSecond line\nThird line"};
    QTest::newRow("descriptions trimmed")
        << QByteArray("3B 12 34 56\n\t  Blanks around  \n\t\t\tTabs before and after\t\t\n")
        << "3B123456"
        << QStringList{"ATR: 3B123456\nBlanks around",
                       "ATR: 3B123456\nBlanks around\nTabs before and after"};
    QTest::newRow("first entry wins")
        << QByteArray("3B 12 34 56\n\tFirst entry\n\n3B 12 34 56\n\tSecond entry\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nFirst entry"};
    QTest::newRow("entry ends at the next non-description line")
        << QByteArray("3B 12 34 56\n\tOwn line\n3B 99\n\tNext entry's line\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nOwn line"};
    QTest::newRow("match after other entries")
        << QByteArray(header) + "3B 00\n\tZero\n\n3B 12 34 56\n\tWanted\n\n3B FF\n\tFF\n"
        << "3B123456" << QStringList{"ATR: 3B123456\nWanted"};
    QTest::newRow("pattern without descriptions")
        << QByteArray("3B 12 34 56\n\n3B 12 34 56\n\tLater entry\n") << "3B123456" << QStringList();
    QTest::newRow("pattern on the last line")
        << QByteArray("3B 12 34 56") << "3B123456" << QStringList();

    // Entries with wildcards, read as pcsc-tools reads them, serve only when no exact
    // entry matches.
    QTest::newRow("exact entry beats an earlier pattern")
        << QByteArray("3B 12 .. 56\n\tPattern\n\n3B 12 34 56\n\tExact\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nExact"};
    QTest::newRow("exact entry without descriptions beats a pattern")
        << QByteArray("3B 12 .. 56\n\tPattern\n\n3B 12 34 56\n\n") << "3B123456" << QStringList();
    QTest::newRow("pattern only")
        << QByteArray(header) + "3B 00\n\tZero\n\n3B 12 .. 56\n\tAny card\n\tSecond line\n\n"
        << "3B123456"
        << QStringList{"ATR: 3B123456\nAny card", "ATR: 3B123456\nAny card\nSecond line"};
    QTest::newRow("first matching pattern wins")
        << QByteArray("3B 12 34 5.\n\tFirst\n\n3B 12 .. 56\n\tSecond\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nFirst"};
    QTest::newRow("first matching pattern without descriptions")
        << QByteArray("3B 12 34 5.\n\n3B 12 .. 56\n\tSecond\n") << "3B123456" << QStringList();
    QTest::newRow("pattern matches the whole ATR only")
        << QByteArray("3B 12 ..\n\tPrefix\n\n12 .. 56\n\tSuffix\n\n.. 34\n\tMiddle\n") << "3B123456"
        << QStringList();
    QTest::newRow("pattern spacing as lenient as exact entries")
        << QByteArray("  3B  12\t.. 56 \n\tAny card\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nAny card"};
    QTest::newRow("pattern ignores case") << QByteArray("3b 12 .. 5a\n\tAny card\n") << "3B12345A"
                                          << QStringList{"ATR: 3B12345A\nAny card"};
    QTest::newRow("catastrophic expressions are no patterns")
        << QByteArray("(.+)+(?!)\n\tBad\n\n(3B|3B )+.*\n\tBad\n\n3B 12 .. 56\n\tGood\n")
        << "3B123456" << QStringList{"ATR: 3B123456\nGood"};
    QTest::newRow("malformed patterns skipped")
        << QByteArray("3B 12 [34 56\n\tBroken\n\n3B (12 .. 56\n\tBroken\n\n"
                      "3B 12 .. 56\n\tGood\n")
        << "3B123456" << QStringList{"ATR: 3B123456\nGood"};
    QTest::newRow("pattern description trimmed")
        << QByteArray("3B 12 .. 56\n\t  Blanks around\t\n") << "3B123456"
        << QStringList{"ATR: 3B123456\nBlanks around"};

    // Lines as pcsc-tools' list writes them.
    const QByteArray listed = "3B 39 19 00 53 4F 4D 41 44 53 33 30 3[1,3]\n\tClass\n\n"
                              "3B 6F 00 00 80 5A .. 0[1-5] .. .. .. .. .. .. .. .. 82 90 00\n"
                              "\tRange\n\n"
                              "3B EF 00 FF 81 31 42 45 .* 38\n\tAny bytes\n\n"
                              "3B FF 11 00 00 81 71 40 42 00 00 21 01 31 42 52 00 0[05] 63 "
                              ".. .. .. .. 90 00.*\n\tAny tail\n\n";
    auto listedRow = [&listed](const char *name, const char *atr, const char *description) {
        const QString hex = QString::fromLatin1(atr);
        QTest::newRow(name) << listed << hex
                            << (*description ? QStringList{"ATR: " + hex + "\n" + description}
                                             : QStringList());
    };
    listedRow("character class, second digit", "3B391900534F4D414453333033", "Class");
    listedRow("character class, first digit", "3B391900534F4D414453333031", "Class");
    listedRow("character class, other digit", "3B391900534F4D414453333032", "");
    listedRow("range, inside", "3B6F0000805A0A031122334455667788829000", "Range");
    listedRow("range, outside", "3B6F0000805A0A061122334455667788829000", "");
    listedRow("any bytes between", "3BEF00FF8131424565631038", "Any bytes");
    listedRow("no bytes between", "3BEF00FF8131424538", "");
    listedRow("any tail", "3BFF1100008171404200002101314252000563112233449000AB", "Any tail");
    listedRow("empty tail", "3BFF1100008171404200002101314252000063112233449000", "Any tail");

    QTest::newRow("UTF-8 text") << QByteArray("3B 12 34 56\n\tCarte \xc3\xa0 puce \xe2\x82\xac\n")
                                << "3B123456"
                                << QStringList{QString::fromUtf8(
                                       "ATR: 3B123456\nCarte \xc3\xa0 puce \xe2\x82\xac")};
}

void TestAtrList::identification() {
    QFETCH(QByteArray, list);
    QFETCH(QString, atr);
    QFETCH(QStringList, texts);

    QCOMPARE(atrIdentificationTexts(list, QByteArray::fromHex(atr.toLatin1())), texts);
}

// A list is no place for pages of text: an entry gives 64 description lines at most,
// and its texts stop short of 16384 characters.
void TestAtrList::descriptionsBounded() {
    QByteArray manyLines = "3B 12 34 56\n";
    for (int i = 1; i <= 70; ++i)
        manyLines += "\tLine " + QByteArray::number(i) + "\n";
    const QStringList texts = atrIdentificationTexts(manyLines, QByteArray::fromHex("3B123456"));
    QCOMPARE(texts.size(), 64);
    QVERIFY(texts.last().endsWith("\nLine 63\nLine 64"));

    const QByteArray longLines = "3B 12 34 56\n\t" + QByteArray(10000, 'a') + "\n\t" +
                                 QByteArray(6369, 'b') + "\n\t" + QByteArray(10, 'c') + "\n";
    const QStringList bounded = atrIdentificationTexts(longLines, QByteArray::fromHex("3B123456"));
    QCOMPARE(bounded.size(), 2);
    QCOMPARE(bounded.last().size(), 16384);
}

QTEST_APPLESS_MAIN(TestAtrList)
#include "tst_atr_list.moc"

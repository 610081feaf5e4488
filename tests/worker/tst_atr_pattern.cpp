// The pattern lines of an ATR list, matched as pcsc-tools matches them. Besides the
// cases written out here, the matcher is held against Perl itself, run the way
// pcsc-tools' ATR_analysis runs each line ($atr =~ m/^$line$/i): over every line of the
// list the program carries and over lines made up here, each with texts made to match
// it and texts a character off.

#include "worker/atr_list_sources.h"
#include "worker/atr_pattern.h"
#include "worker/compiled_resources.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

namespace {

bool accepted(const QByteArray &line) {
    AtrPatterns patterns;
    return patterns.add(std::string_view(line.constData(), std::size_t(line.size())));
}

bool matches(const QByteArray &line, const QByteArray &text) {
    AtrPatterns patterns;
    patterns.add(std::string_view(line.constData(), std::size_t(line.size())));
    return patterns.firstMatch(std::string_view(text.constData(), std::size_t(text.size()))) == 0;
}

const QByteArray textCharacters = "0123456789ABCDEF ";

char someCharacter(QRandomGenerator &random) {
    return textCharacters[random.bounded(textCharacters.size())];
}

// A text the line may well match: its characters as they stand, "." and each class
// filled with a character it may take, ".*" with a few.
QByteArray madeToMatch(const QByteArray &line, QRandomGenerator &random) {
    QByteArray text;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '.' && i + 1 < line.size() && line[i + 1] == '*') {
            for (int n = random.bounded(6); n > 0; --n)
                text += someCharacter(random);
            ++i;
        } else if (c == '.') {
            text += someCharacter(random);
        } else if (c == '[') {
            const int close = line.indexOf(']', i + 1);
            QByteArray members;
            for (int m = i + 1; m < close; ++m) {
                if (m + 2 < close && line[m + 1] == '-') {
                    for (char r = line[m]; r <= line[m + 2]; ++r)
                        members += r;
                    m += 2;
                } else {
                    members += line[m];
                }
            }
            const QByteArray takes = members.toUpper();
            QByteArray candidates;
            for (char t : textCharacters)
                if (takes.contains(t) != members.startsWith('^'))
                    candidates += t;
            text += candidates.isEmpty() ? someCharacter(random)
                                         : candidates[random.bounded(candidates.size())];
            i = close;
        } else {
            text += QChar::fromLatin1(c).toUpper().toLatin1();
        }
    }
    return text;
}

// The text with one character changed, left out or added.
QByteArray oneOff(QByteArray text, QRandomGenerator &random) {
    const int at = text.isEmpty() ? 0 : random.bounded(text.size());
    switch (random.bounded(3)) {
    case 0:
        if (!text.isEmpty()) {
            text[at] = someCharacter(random);
            break;
        }
        Q_FALLTHROUGH();
    case 1:
        text.insert(at, someCharacter(random));
        break;
    default:
        text.remove(at, 1);
    }
    return text;
}

// A line in the syntax, as a list would write it: single spaces between its parts.
QByteArray madeUpLine(QRandomGenerator &random) {
    static const QByteArray digits = "0123456789ABCDEFabcdef";
    static const QByteArray classCharacters = "0123456789ABCDEFabcdef,-. ";
    QByteArray line;
    for (int parts = random.bounded(1, 14); parts > 0; --parts) {
        const int kind = random.bounded(10);
        if (kind <= 3) {
            line += digits[random.bounded(digits.size())];
        } else if (kind == 4 && !line.isEmpty() && !line.endsWith(' ') && parts > 1) {
            line += ' ';
        } else if (kind <= 6) {
            line += '.';
        } else if (kind == 7) {
            line += ".*";
        } else {
            line += '[';
            if (random.bounded(5) == 0)
                line += '^';
            for (int items = random.bounded(1, 5); items > 0; --items) {
                char first = classCharacters[random.bounded(classCharacters.size())];
                if (random.bounded(3) == 0) {
                    char last = classCharacters[random.bounded(classCharacters.size())];
                    if (last < first)
                        std::swap(first, last);
                    line += first;
                    line += '-';
                    line += last;
                } else {
                    line += first;
                }
            }
            line += ']';
        }
    }
    return line;
}

// Perl's answer for each line and text: 1, 0, or E where it cannot compile the line.
QByteArray perlAnswers(const QList<QPair<QByteArray, QByteArray>> &cases, QString *failure) {
    QProcess perl;
    perl.start(
        QStringLiteral("perl"),
        {QStringLiteral("-e"), QStringLiteral("while (my $l = <STDIN>) { chomp $l;"
                                              " my ($line, $atr) = split /\\x01/, $l, 2;"
                                              " my $r = eval { $atr =~ m/^$line$/i ? 1 : 0 };"
                                              " print defined $r ? $r : 'E'; }")});
    if (!perl.waitForStarted()) {
        *failure = perl.errorString();
        return {};
    }
    for (const auto &[line, text] : cases)
        perl.write(line + '\x01' + text + '\n');
    perl.closeWriteChannel();
    if (!perl.waitForFinished(120000) || perl.exitCode() != 0) {
        *failure = QString::fromLocal8Bit(perl.readAllStandardError());
        return {};
    }
    return perl.readAllStandardOutput();
}

// Every case answered by both; the disagreements, at most a few.
QStringList disagreements(const QList<QPair<QByteArray, QByteArray>> &cases) {
    QString failure;
    const QByteArray perl = perlAnswers(cases, &failure);
    if (perl.size() != cases.size())
        return {QStringLiteral("perl gave %1 answers for %2 cases: %3")
                    .arg(perl.size())
                    .arg(cases.size())
                    .arg(failure)};
    QStringList differ;
    for (int i = 0; i < cases.size() && differ.size() < 10; ++i) {
        const auto &[line, text] = cases[i];
        const char ours = matches(line, text) ? '1' : '0';
        if (perl[i] != ours)
            differ << QStringLiteral("\"%1\" against \"%2\": perl %3, here %4")
                          .arg(QString::fromLatin1(line), QString::fromLatin1(text))
                          .arg(QChar::fromLatin1(perl[i]))
                          .arg(QChar::fromLatin1(ours));
    }
    return differ;
}

QList<QPair<QByteArray, QByteArray>> casesFor(const QList<QByteArray> &lines,
                                              QRandomGenerator &random) {
    QList<QPair<QByteArray, QByteArray>> cases;
    for (const QByteArray &line : lines) {
        for (int i = 0; i < 3; ++i) {
            const QByteArray text = madeToMatch(line, random);
            cases.append({line, text});
            cases.append({line, oneOff(text, random)});
        }
        cases.append({line, spacedAtrText(QByteArray::fromHex("3B8180018080"))});
    }
    return cases;
}

} // namespace

class TestAtrPattern : public QObject {
    Q_OBJECT

private slots:
    void syntax_data();
    void syntax();
    void matching_data();
    void matching();
    void firstMatchInListOrder();
    void spacedText();
    void todaysListAgreesWithPerl();
    void madeUpLinesAgreeWithPerl();
};

void TestAtrPattern::syntax_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("inSyntax");

    QTest::newRow("bytes") << QByteArray("3B 81 80 01 80 80") << true;
    QTest::newRow("any character") << QByteArray("3B 8. .. 01") << true;
    QTest::newRow("classes") << QByteArray("3B 39 3[1,3] 0[1-5] [^0]0 [a-f]F") << true;
    QTest::newRow("runs") << QByteArray("3B .* 38.*") << true;
    QTest::newRow("blanks around and between") << QByteArray("  3B \t 81  ") << true;
    QTest::newRow("lower case") << QByteArray("3b 8f") << true;

    QTest::newRow("group and repeat") << QByteArray("(.+)+(?!)") << false;
    QTest::newRow("alternative") << QByteArray("3B|3F 00") << false;
    QTest::newRow("repeat of a byte") << QByteArray("3B 00*") << false;
    QTest::newRow("plus") << QByteArray("3B .+") << false;
    QTest::newRow("question mark") << QByteArray("3B 81?") << false;
    QTest::newRow("counted repeat") << QByteArray("3B .{4}") << false;
    QTest::newRow("repeat of a class") << QByteArray("3B [0-9]*") << false;
    QTest::newRow("run repeated") << QByteArray("3B .**") << false;
    QTest::newRow("escape") << QByteArray("3B \\x81") << false;
    QTest::newRow("anchors") << QByteArray("^3B 81$") << false;
    QTest::newRow("letter beyond hex") << QByteArray("3B 8G") << false;
    QTest::newRow("unterminated class") << QByteArray("3B [12") << false;
    QTest::newRow("empty class") << QByteArray("3B []1]") << false;
    QTest::newRow("reversed range") << QByteArray("3B [9-1]") << false;
    QTest::newRow("POSIX class") << QByteArray("3B [[:digit:]]") << false;
    QTest::newRow("escape in a class") << QByteArray("3B [\\d]") << false;
    QTest::newRow("byte beyond ASCII in a class") << QByteArray("3B [1\xe9]") << false;
    QTest::newRow("blanks only") << QByteArray(" \t ") << false;
}

void TestAtrPattern::syntax() {
    QFETCH(QByteArray, line);
    QFETCH(bool, inSyntax);
    QCOMPARE(accepted(line), inSyntax);
}

void TestAtrPattern::matching_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("matched");

    QTest::newRow("same bytes") << QByteArray("3B 81 80") << QByteArray("3B 81 80") << true;
    QTest::newRow("prefix only") << QByteArray("3B 81") << QByteArray("3B 81 80") << false;
    QTest::newRow("longer than the text")
        << QByteArray("3B 81 80 00") << QByteArray("3B 81 80") << false;
    QTest::newRow("case ignored") << QByteArray("3b 8a [c]C") << QByteArray("3B 8A CC") << true;
    QTest::newRow("blanks read as one space")
        << QByteArray(" 3B\t 8A ") << QByteArray("3B 8A") << true;
    QTest::newRow("dot takes a space") << QByteArray("3B.8A") << QByteArray("3B 8A") << true;
    QTest::newRow("class member") << QByteArray("3[1,3]") << QByteArray("33") << true;
    QTest::newRow("comma in a class is itself")
        << QByteArray("3[1,3]") << QByteArray("32") << false;
    QTest::newRow("range, inside") << QByteArray("0[1-5]") << QByteArray("05") << true;
    QTest::newRow("range, outside") << QByteArray("0[1-5]") << QByteArray("06") << false;
    QTest::newRow("lower-case range takes upper case")
        << QByteArray("0[a-c]") << QByteArray("0B") << true;
    QTest::newRow("negated class") << QByteArray("[^0]0") << QByteArray("10") << true;
    QTest::newRow("negated class, excluded") << QByteArray("[^0]0") << QByteArray("00") << false;
    QTest::newRow("negated lower case excludes upper")
        << QByteArray("[^a]") << QByteArray("A") << false;
    QTest::newRow("run takes nothing") << QByteArray("3B .*38") << QByteArray("3B 38") << true;
    QTest::newRow("run takes many")
        << QByteArray("3B .* 38") << QByteArray("3B 00 11 22 38") << true;
    QTest::newRow("run at the end") << QByteArray("90 00.*") << QByteArray("90 00 AB") << true;
    QTest::newRow("runs, none long enough")
        << QByteArray(".*3B.*3B.*3B") << QByteArray("3B 3B") << false;
    QTest::newRow("runs then bytes") << QByteArray(".*.*.*.*.*.*.*.*.*.*.*.*.*.*.* 80")
                                     << QByteArray("3B 81 80 01 80 80") << true;
    QTest::newRow("empty text") << QByteArray(".*") << QByteArray() << true;
    // Past one word of positions, and past two.
    const QByteArray longAtr = spacedAtrText(QByteArray(33, '\x5a'));
    QTest::newRow("33 bytes, every one given")
        << QByteArray("5A ").repeated(32) + "5A" << longAtr << true;
    QTest::newRow("33 bytes, the last one other")
        << QByteArray("5A ").repeated(32) + "5B" << longAtr << false;
    QTest::newRow("33 bytes through runs") << QByteArray("5A .* 5A .*5A") << longAtr << true;
    QTest::newRow("33 bytes, dots and a run")
        << QByteArray(".. ").repeated(20) + ".*5A" << longAtr << true;
}

void TestAtrPattern::matching() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, text);
    QFETCH(bool, matched);
    QVERIFY(accepted(line));
    QCOMPARE(matches(line, text), matched);
}

void TestAtrPattern::firstMatchInListOrder() {
    AtrPatterns patterns;
    for (const char *line : {"3B 81 80 01 80 8.", "3B .*", "(.+)+", "3B 81 .*", ".*"})
        patterns.add(line);
    QCOMPARE(patterns.size(), 4);
    QCOMPARE(patterns.firstMatch("3B 81 80 01 80 80"), 0);
    QCOMPARE(patterns.firstMatch("3B 00"), 1);
    QCOMPARE(patterns.firstMatch("3F 00"), 3);
}

void TestAtrPattern::spacedText() {
    QCOMPARE(spacedAtrText(QByteArray::fromHex("3b8180018080")), QByteArray("3B 81 80 01 80 80"));
    QCOMPARE(spacedAtrText(QByteArray::fromHex("3b")), QByteArray("3B"));
    QCOMPARE(spacedAtrText(QByteArray()), QByteArray());
}

// Every pattern line of today's list is in the syntax and matches what Perl matches.
void TestAtrPattern::todaysListAgreesWithPerl() {
    ensureCompiledResources();
    QFile list(compiledAtrList);
    QVERIFY(list.open(QIODevice::ReadOnly));
    QList<QByteArray> lines;
    for (const QByteArray &line : list.readAll().split('\n')) {
        if (line.isEmpty() || line[0] == '#' || line[0] == '$' || line[0] == '\t')
            continue;
        QVERIFY2(accepted(line), line.constData());
        lines.append(line);
    }
    QVERIFY(lines.size() > 4000);
    QRandomGenerator random(20240601);
    const QStringList differ = disagreements(casesFor(lines, random));
    QVERIFY2(differ.isEmpty(), qPrintable(differ.join('\n')));
}

void TestAtrPattern::madeUpLinesAgreeWithPerl() {
    QRandomGenerator random(17);
    QList<QByteArray> lines;
    while (lines.size() < 4000) {
        // Items of a class may run into a range by chance, "[D" "-" "3]"; one that runs
        // backwards is no class, for Perl either.
        const QByteArray line = madeUpLine(random);
        if (accepted(line))
            lines.append(line);
    }
    const QStringList differ = disagreements(casesFor(lines, random));
    QVERIFY2(differ.isEmpty(), qPrintable(differ.join('\n')));
}

QTEST_APPLESS_MAIN(TestAtrPattern)
#include "tst_atr_pattern.moc"

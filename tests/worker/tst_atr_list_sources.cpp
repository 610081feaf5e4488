#include "hostile_atr_list.h"

#include "worker/atr_list_sources.h"
#include "worker/card_identification.h"
#include "worker/compiled_resources.h"

#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Sets an environment variable, or unsets it for a null value, for one test's life.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), before(qgetenv(name)) {
        set(value);
    }
    ~ScopedEnv() { set(wasSet ? before : QByteArray()); }

private:
    void set(const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    const char *name;
    bool wasSet;
    QByteArray before;
};

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

struct RecordedReports : CardReports {
    void reportUiMessage(const QString &message) override { messages << message; }
    void reportPopup(const QString &title, const QString &message) override {
        popups << title + ": " + message;
    }
    QStringList messages;
    QStringList popups;
};

const QByteArray desfireEntry = "3B 81 80 01 80 80\n\tListed here\n";
const QByteArray desfireAtr = QByteArray::fromHex("3B8180018080");

QStringList textsOf(const std::shared_ptr<const AtrList> &list) {
    return list ? list->identificationTexts(desfireAtr) : QStringList{"no list"};
}

// Gives the file another modification time than the one it has, as a rewrite does.
bool touch(const QString &path, int secondsLater) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    const timespec times[2] = {status.st_atim,
                               {status.st_mtim.tv_sec + secondsLater, status.st_mtim.tv_nsec}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace

class TestAtrListSources : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ensureCompiledResources(); }

    void candidates_data();
    void candidates();
    void firstReadableList_data();
    void firstReadableList();
    void noListAtAll();
    void userListShadowsTheSystemOne();
    void catastrophicPatternsInFront_data();
    void catastrophicPatternsInFront();
    void parsedOncePerVersion_data();
    void parsedOncePerVersion();
    void sharedAcrossThreads();
};

void TestAtrListSources::candidates_data() {
    QTest::addColumn<QByteArray>("cacheHome");
    QTest::addColumn<QString>("userList");

    QTest::newRow("XDG_CACHE_HOME")
        << QByteArray("/tmp/elsewhere") << "/tmp/elsewhere/smartcard_list.txt";
    QTest::newRow("home") << QByteArray() << "/home/operator/.cache/smartcard_list.txt";
}

void TestAtrListSources::candidates() {
    QFETCH(QByteArray, cacheHome);
    QFETCH(QString, userList);

    ScopedEnv home("HOME", "/home/operator");
    ScopedEnv cache("XDG_CACHE_HOME", cacheHome);
    QCOMPARE(atrListCandidates(),
             (QStringList{userList, "/usr/share/pcsc/smartcard_list.txt", compiledAtrList}));
}

void TestAtrListSources::firstReadableList_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("user list shadows the system one") << "list"
                                                      << "list"
                                                      << "user";
    QTest::newRow("no user list") << "missing"
                                  << "list"
                                  << "system";
    // A failed update leaves an empty file behind.
    QTest::newRow("empty user list") << "empty"
                                     << "list"
                                     << "system";
    QTest::newRow("user list alone") << "list"
                                     << "missing"
                                     << "user";
    QTest::newRow("neither") << "missing"
                             << "missing"
                             << "compiled";
    // No regular file, or too large to be a list: passed over at once, without reading.
    for (const char *kind : {"folder", "fifo", "device", "huge", "over the limit"})
        QTest::addRow("user list a %s", kind) << kind << "list"
                                              << "system";
    QTest::newRow("at the limit") << "at the limit"
                                  << "list"
                                  << "user";
    QTest::newRow("neither readable") << "fifo"
                                      << "empty"
                                      << "compiled";
}

void TestAtrListSources::firstReadableList() {
    QFETCH(QString, user);
    QFETCH(QString, system);
    QFETCH(QString, chosen);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QHash<QString, QString> paths = {{"user", dir.filePath("user.txt")},
                                           {"system", dir.filePath("system.txt")},
                                           {"compiled", compiledAtrList}};
    for (const auto &[name, kind] : {std::pair{"user", user}, std::pair{"system", system}}) {
        if (kind == "list") {
            QVERIFY(writeFile(paths[name], desfireEntry));
        } else if (kind.endsWith("the limit")) {
            // An entry in front, then blanks up to the limit (or a byte past it).
            QVERIFY(writeFile(paths[name], desfireEntry));
            QFile file(paths[name]);
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(file.resize(atrListSizeLimit + (kind == "over the limit" ? 1 : 0)));
        } else if (kind != "missing") {
            QVERIFY(hostilelist::makeListFile(paths[name], kind));
        }
    }

    QString failure;
    const std::shared_ptr<const AtrList> list =
        currentAtrList({paths["user"], paths["system"], compiledAtrList}, &failure);
    QVERIFY(list);
    QCOMPARE(list->origin(), paths[chosen]);
    if (chosen == "compiled")
        QVERIFY(textsOf(list).value(0).startsWith("ATR: 3B8180018080\nRFID - ISO 14443"));
    else
        QCOMPARE(textsOf(list), QStringList{"ATR: 3B8180018080\nListed here"});
}

void TestAtrListSources::noListAtAll() {
    QString failure;
    QVERIFY(!currentAtrList({"/nonexistent/a.txt", "/nonexistent/b.txt"}, &failure));
    QCOMPARE(failure, QStringLiteral("No such file or directory"));
}

// Through the entry point the worker uses: the user's list is read where it is.
void TestAtrListSources::userListShadowsTheSystemOne() {
    QTemporaryDir cacheHome;
    QVERIFY(cacheHome.isValid());
    QVERIFY(writeFile(cacheHome.filePath("smartcard_list.txt"), desfireEntry));
    ScopedEnv cache("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));

    RecordedReports reports;
    reportAtrIdentification(desfireAtr, reports);
    QCOMPARE(reports.messages,
             (QStringList{"ATR: 3B8180018080", "ATR: 3B8180018080\nListed here"}));
    QVERIFY(reports.popups.isEmpty());
}

void TestAtrListSources::catastrophicPatternsInFront_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::newRow("exact entry after them") << desfireEntry;
    QTest::newRow("pattern entry after them")
        << QByteArray("3B 81 80 0. 8[0-F] .*\n\tListed here\n");
}

// Lines that a backtracking engine takes minutes over are no patterns; lines in the
// list's own syntax cost what their length does. The entry behind them is found.
void TestAtrListSources::catastrophicPatternsInFront() {
    QFETCH(QByteArray, entry);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("user.txt");
    QVERIFY(writeFile(path, hostilelist::catastrophicEntries(4000) + entry));

    QString failure;
    QCOMPARE(textsOf(currentAtrList({path}, &failure)),
             QStringList{"ATR: 3B8180018080\nListed here"});
    QVERIFY(writeFile(path, hostilelist::hostileList(4 << 20, entry)));
    QVERIFY(touch(path, 10));
    QCOMPARE(textsOf(currentAtrList({path}, &failure)),
             QStringList{"ATR: 3B8180018080\nListed here"});
}

void TestAtrListSources::parsedOncePerVersion_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("none") << "none";
    QTest::newRow("rewritten, same size, later time") << "rewritten";
    QTest::newRow("replaced by a rename") << "replaced";
    QTest::newRow("grown") << "grown";
    QTest::newRow("taken away: the next list") << "removed";
}

// The same list object as long as the file is the same; a changed file is read again
// at the next card.
void TestAtrListSources::parsedOncePerVersion() {
    QFETCH(QString, change);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("user.txt");
    const QString next = dir.filePath("system.txt");
    QVERIFY(writeFile(path, desfireEntry));
    QVERIFY(writeFile(next, "3B 81 80 01 80 80\n\tNext list\n"));
    QString failure;
    const std::shared_ptr<const AtrList> first = currentAtrList({path, next}, &failure);
    QCOMPARE(textsOf(first), QStringList{"ATR: 3B8180018080\nListed here"});
    QCOMPARE(currentAtrList({path, next}, &failure), first);

    QString expected = "ATR: 3B8180018080\nChanged here";
    if (change == "rewritten") {
        QVERIFY(writeFile(path, "3B 81 80 01 80 80\n\tChanged her\n"));
        QVERIFY(touch(path, 10));
        expected.chop(1);
    } else if (change == "replaced") {
        QVERIFY(writeFile(dir.filePath("new.txt"), "3B 81 80 01 80 80\n\tChanged here\n"));
        QVERIFY(::rename(QFile::encodeName(dir.filePath("new.txt")).constData(),
                         QFile::encodeName(path).constData()) == 0);
    } else if (change == "grown") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.write("\n3B 00\n\tAnother card\n") > 0);
        expected = "ATR: 3B8180018080\nListed here";
    } else if (change == "removed") {
        QVERIFY(QFile::remove(path));
        expected = "ATR: 3B8180018080\nNext list";
    } else {
        expected = "ATR: 3B8180018080\nListed here";
    }
    const std::shared_ptr<const AtrList> second = currentAtrList({path, next}, &failure);
    QCOMPARE(textsOf(second), QStringList{expected});
    QCOMPARE(second == first, change == "none");
    QCOMPARE(currentAtrList({path, next}, &failure), second);
}

// Threads that ask for a new version at the same moment all get the one list, read
// once, and go on getting it.
void TestAtrListSources::sharedAcrossThreads() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("user.txt");
    QVERIFY(writeFile(path, hostilelist::hostileList(1 << 20, desfireEntry)));

    constexpr int threadCount = 8;
    constexpr int cardsEach = 50;
    QSemaphore start;
    std::vector<std::vector<std::shared_ptr<const AtrList>>> seen(threadCount);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back(QThread::create([&, t] {
            start.acquire();
            for (int card = 0; card < cardsEach; ++card) {
                QString failure;
                seen[std::size_t(t)].push_back(currentAtrList({path}, &failure));
            }
        }));
        threads.back()->start();
    }
    start.release(threadCount);
    for (auto &thread : threads)
        QVERIFY(thread->wait(60000));

    const std::shared_ptr<const AtrList> list = seen[0][0];
    QCOMPARE(textsOf(list), QStringList{"ATR: 3B8180018080\nListed here"});
    for (const auto &cards : seen) {
        QCOMPARE(int(cards.size()), cardsEach);
        for (const auto &got : cards)
            QCOMPARE(got, list);
    }
}

QTEST_APPLESS_MAIN(TestAtrListSources)
#include "tst_atr_list_sources.moc"

#include "worker/atr_list_sources.h"
#include "worker/card_identification.h"
#include "worker/compiled_resources.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
    QTest::newRow("unreadable user list") << "directory"
                                          << "list"
                                          << "system";
    QTest::newRow("user list alone") << "list"
                                     << "missing"
                                     << "user";
    QTest::newRow("neither") << "missing"
                             << "missing"
                             << "compiled";
    QTest::newRow("neither readable") << "directory"
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
        if (kind == "list")
            QVERIFY(writeFile(paths[name], desfireEntry));
        else if (kind == "empty")
            QVERIFY(writeFile(paths[name], QByteArray()));
        else if (kind == "directory")
            QVERIFY(QDir().mkdir(paths[name]));
    }

    QFile list;
    QVERIFY(openFirstAtrList({paths["user"], paths["system"], compiledAtrList}, list));
    QCOMPARE(list.fileName(), paths[chosen]);
    QVERIFY(list.isReadable());
    if (chosen == "compiled")
        QVERIFY(list.readAll().contains("\n3B 81 80 01 80 80\n\t"));
}

void TestAtrListSources::noListAtAll() {
    QFile list;
    QVERIFY(!openFirstAtrList({"/nonexistent/a.txt", "/nonexistent/b.txt"}, list));
    QVERIFY(!list.isOpen());
    QCOMPARE(list.error(), QFileDevice::OpenError);
    QVERIFY(!list.errorString().isEmpty());
}

// Through the entry point the worker uses: the user's list is read where it is.
void TestAtrListSources::userListShadowsTheSystemOne() {
    QTemporaryDir cacheHome;
    QVERIFY(cacheHome.isValid());
    QVERIFY(writeFile(cacheHome.filePath("smartcard_list.txt"), desfireEntry));
    ScopedEnv cache("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));

    RecordedReports reports;
    reportAtrIdentification("3B8180018080", reports);
    QCOMPARE(reports.messages,
             (QStringList{"ATR: 3B8180018080", "ATR: 3B8180018080\nListed here"}));
    QVERIFY(reports.popups.isEmpty());
}

QTEST_APPLESS_MAIN(TestAtrListSources)
#include "tst_atr_list_sources.moc"

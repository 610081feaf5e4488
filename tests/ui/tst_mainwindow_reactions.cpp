#include "ui/mainwindow.h"
#include "ui/worker_threads.h"
#include "window_probes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <memory>

static const QString placeholder = QStringLiteral("Please choose a reader...");
static const QString noCard = QStringLiteral("No smart card inserted.");
static const QString removedSentence = QStringLiteral(
    "The smart card has been removed, so that further communication is not possible.");
static const QString whiteBackground = QStringLiteral("background-color:white");
static const QString blackOnWhite =
    QStringLiteral("QLabel { background-color : white; color : black;}");
static const QString whiteOnRed =
    QStringLiteral("QLabel { background-color : red; color : white;}");
static const QStringList advancedControls = {"label_apdu",     "edit_text_apdu", "btn_send_apdu",
                                             "cb_protocol_t0", "cb_protocol_t1", "label_desfire",
                                             "button_desfire"};

// Tells how many objects a signal of the window reaches.
class ReceiverCountingWindow : public MainWindow {
public:
    int receiversOf(const char *signal) const { return receivers(signal); }
};

class MainWindowReactionsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }

    void advancedShowsAndHidesTheSevenControls();
    void readerListRefill_data();
    void readerListRefill();
    void uiMessage_data();
    void uiMessage();
    void cardRemovedReArmsTheCurrentWorker();
    void readerMessagesAreIgnored();
    void readerButtonPressedAsksTheCurrentWorker();
    void popupsAreModalPlainAndSelectable();
    void requestsGoToAFreshWorker_data();
    void requestsGoToAFreshWorker();
    void retiredWorkersTakeNoRequests();
    void protocolBoxesAlwaysSendTrue_data();
    void protocolBoxesAlwaysSendTrue();
    void releasingOffTheControlStillReacts_data();
    void releasingOffTheControlStillReacts();

private:
    template <typename T = QWidget> T *child(const QString &name) const {
        T *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }
    QLabel *atrLabel() const { return child<QLabel>("atr_label"); }
    QComboBox *readers() const { return child<QComboBox>("combo_readers"); }
    void showAdvanced() { QTest::mouseClick(child<QCheckBox>("cb_advanced"), Qt::LeftButton); }
    void chooseReader(const QString &reader);

    std::unique_ptr<ReceiverCountingWindow> window;
};

void MainWindowReactionsTest::init() {
    window = std::make_unique<ReceiverCountingWindow>();
    window->show();
}

void MainWindowReactionsTest::chooseReader(const QString &reader) {
    window->receiveReaderList({placeholder, "Reader A", "Reader B"});
    readers()->setCurrentText(reader);
    QCOMPARE(readers()->currentText(), reader);
}

// Every command that must reach a fresh worker: the thread current before it was asked to
// stop, and the command left after the restart, while the new thread runs undisturbed.
static void verifyRestartedFor(const CommandLog &log, QThread *before, BusySlot &retired) {
    QThread *previous = before;
    for (const Command &command : log.commands) {
        QVERIFY2(command.workerThreadThen != previous, qPrintable(command.name));
        previous = command.workerThreadThen;
    }
    QCOMPARE(previous, workerThread);
    QVERIFY(workerThread->isRunning());
    QVERIFY(!workerThread->isInterruptionRequested());
    QVERIFY(retired.waitUntilEnded());
    QVERIFY(retired.sawInterruption);
}

void MainWindowReactionsTest::advancedShowsAndHidesTheSevenControls() {
    QThread *worker = workerThread;
    auto *advanced = child<QCheckBox>("cb_advanced");
    auto *apdu = child<QTextEdit>("edit_text_apdu");
    auto *t0 = child<QCheckBox>("cb_protocol_t0");
    auto *t1 = child<QCheckBox>("cb_protocol_t1");
    auto shown = [this](bool visible) {
        for (const QString &name : advancedControls) {
            if (child(name)->isVisible() != visible)
                return false;
        }
        return true;
    };
    QVERIFY(shown(false));

    showAdvanced();
    QVERIFY(advanced->isChecked());
    QVERIFY(shown(true));
    apdu->setPlainText("00A4040000\n0084000008");
    QTest::mouseClick(t0, Qt::LeftButton);
    QVERIFY(t0->isChecked());

    CommandLog log(window.get());
    QTest::mouseClick(advanced, Qt::LeftButton);
    QVERIFY(!advanced->isChecked());
    QVERIFY(shown(false));
    QVERIFY(advanced->isVisible());
    QVERIFY(atrLabel()->isVisible());
    QVERIFY(child("label_apdu_return")->isVisible());

    QTest::mouseClick(advanced, Qt::LeftButton);
    QVERIFY(shown(true));
    QCOMPARE(apdu->toPlainText(), QStringLiteral("00A4040000\n0084000008"));
    QVERIFY(t0->isChecked());
    QVERIFY(!t1->isChecked());
    QVERIFY(log.commands.isEmpty());
    QCOMPARE(workerThread, worker);
}

void MainWindowReactionsTest::readerListRefill_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("expectedReaders");

    QTest::newRow("box already filled")
        << QStringList{placeholder, "Old reader"} << QStringList{QString(), placeholder};
    QTest::newRow("empty box") << QStringList{} << QStringList{placeholder};
}

void MainWindowReactionsTest::readerListRefill() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, expectedReaders);
    const QStringList list = {placeholder, "Reader A", "Reader B"};

    WorkerThreadPin pin(window.get());
    readers()->clear();
    if (!before.isEmpty())
        window->receiveReaderList(before);
    QThread *current = workerThread;
    auto busy = pin.current();
    QVERIFY(busy->waitUntilStarted());

    CommandLog log(window.get());
    QTest::ignoreMessage(QtDebugMsg, R"(("Please choose a reader...", "Reader A", "Reader B"))");
    window->receiveReaderList(list);

    QStringList items;
    for (int i = 0; i < readers()->count(); ++i)
        items << readers()->itemText(i);
    QCOMPARE(items, list);
    QCOMPARE(readers()->currentIndex(), 0);

    QStringList sentReaders;
    for (const Command &command : log.commands) {
        QCOMPARE(command.name, QStringLiteral("connectToReader"));
        sentReaders << command.arguments.first().toString();
    }
    QCOMPARE(sentReaders, expectedReaders);
    verifyRestartedFor(log, current, *busy);
}

void MainWindowReactionsTest::uiMessage_data() {
    QTest::addColumn<QString>("styleBefore");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("styleAfter");

    QTest::newRow("removal sentence")
        << whiteBackground << removedSentence << noCard << blackOnWhite;
    QTest::newRow("removal sentence inside a longer text, after an SDK error")
        << whiteOnRed << "Reader A: " + removedSentence + " (state 0x22)" << noCard << blackOnWhite;
    QTest::newRow("ATR after an SDK error") << whiteOnRed << "ATR: 3B8180018080"
                                            << "ATR: 3B8180018080" << whiteOnRed;
    QTest::newRow("code name") << whiteBackground << "SCARD_E_NO_SERVICE"
                               << "SCARD_E_NO_SERVICE" << whiteBackground;
    QTest::newRow("removal sentence in other case") << whiteBackground << removedSentence.toLower()
                                                    << removedSentence.toLower() << whiteBackground;
    QTest::newRow("empty text") << whiteOnRed << ""
                                << "" << whiteOnRed;
}

void MainWindowReactionsTest::uiMessage() {
    QFETCH(QString, styleBefore);
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QFETCH(QString, styleAfter);

    atrLabel()->setText("previous text");
    atrLabel()->setStyleSheet(styleBefore);
    CommandLog log(window.get());
    window->receiveUIMessage(message);

    QCOMPARE(atrLabel()->text(), shown);
    QCOMPARE(atrLabel()->styleSheet(), styleAfter);
    QVERIFY(log.commands.isEmpty());
}

void MainWindowReactionsTest::cardRemovedReArmsTheCurrentWorker() {
    chooseReader("Reader B");
    atrLabel()->setText("ATR: 3B8180018080");
    atrLabel()->setStyleSheet(whiteOnRed);
    QThread *current = workerThread;

    CommandLog log(window.get());
    window->receiveCardRemoved();

    QCOMPARE(atrLabel()->text(), noCard);
    QCOMPARE(atrLabel()->styleSheet(), whiteOnRed);
    QCOMPARE(log.names(), QStringList{"connectToReader"});
    QCOMPARE(log.commands[0].arguments, QVariantList{"Reader B"});
    QCOMPARE(log.commands[0].workerThreadThen, current);
    QCOMPARE(workerThread, current);
    QVERIFY(!current->isInterruptionRequested());
}

void MainWindowReactionsTest::readerMessagesAreIgnored() {
    chooseReader("Reader A");
    atrLabel()->setText("ATR: 3B8180018080");
    atrLabel()->setStyleSheet(whiteOnRed);
    QThread *current = workerThread;

    CommandLog log(window.get());
    window->receiveReaderMessage("No Reader Connected");

    QCOMPARE(atrLabel()->text(), QStringLiteral("ATR: 3B8180018080"));
    QCOMPARE(atrLabel()->styleSheet(), whiteOnRed);
    QCOMPARE(readers()->currentText(), QStringLiteral("Reader A"));
    QCOMPARE(readers()->count(), 3);
    QVERIFY(log.commands.isEmpty());
    QCOMPARE(workerThread, current);
}

void MainWindowReactionsTest::readerButtonPressedAsksTheCurrentWorker() {
    chooseReader("Reader A");
    atrLabel()->setStyleSheet(whiteOnRed);
    QThread *current = workerThread;

    CommandLog log(window.get());
    QVERIFY(QMetaObject::invokeMethod(window.get(), "readerButtonPressed", Qt::DirectConnection));

    QCOMPARE(atrLabel()->styleSheet(), blackOnWhite);
    QCOMPARE(log.names(), (QStringList{"listReaders", "connectToReader"}));
    QCOMPARE(log.commands[1].arguments, QVariantList{"Reader A"});
    QCOMPARE(workerThread, current);
    QVERIFY(!current->isInterruptionRequested());
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    int buttonCount;
    Qt::TextInteractionFlags interaction;
    bool modal;
    QWidget *parent;
    QMessageBox *box;
};

static SeenBox seeTopBox() {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
        return {};
    return {box->windowTitle(),     box->text(),           box->icon(),
            box->standardButtons(), box->buttons().size(), box->textInteractionFlags(),
            box->isModal(),         box->parentWidget(),   box};
}

// A second report while the first box is open opens a second box on top of it.
void MainWindowReactionsTest::popupsAreModalPlainAndSelectable() {
    QList<SeenBox> seen;
    QTimer::singleShot(0, window.get(), [&] {
        seen << seeTopBox();
        QTimer::singleShot(0, window.get(), [&] {
            seen << seeTopBox();
            if (seen.last().box)
                seen.last().box->button(QMessageBox::Ok)->click();
        });
        window->receivePopupMessage("APDU Response", "9000\n6A82");
        if (seen.first().box)
            seen.first().box->button(QMessageBox::Ok)->click();
    });
    window->receivePopupMessage("Error", "Cannot open the ATR list");

    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].title, QStringLiteral("Error"));
    QCOMPARE(seen[0].text, QStringLiteral("Cannot open the ATR list"));
    QCOMPARE(seen[1].title, QStringLiteral("APDU Response"));
    QCOMPARE(seen[1].text, QStringLiteral("9000\n6A82"));
    QVERIFY(seen[0].box != seen[1].box);
    for (const SeenBox &box : seen) {
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.buttonCount, 1);
        QCOMPARE(box.interaction, Qt::TextInteractionFlags(Qt::TextSelectableByMouse));
        QVERIFY(box.modal);
        QCOMPARE(box.parent, window.get());
    }
    QVERIFY(!QApplication::activeModalWidget());
}

void MainWindowReactionsTest::requestsGoToAFreshWorker_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("debugLine");

    const QString apdu = "00A4040000\n0084000008";
    QTest::newRow("Send") << "btn_send_apdu"
                          << "sendAPDU" << QVariantList{"Reader B", apdu} << QString();
    QTest::newRow("DESFire") << "button_desfire"
                             << "sendDESFire" << QVariantList{"Reader B", true}
                             << "DESFire Pressed";
    QTest::newRow("Refresh") << "btn_refresh"
                             << "listReaders" << QVariantList{} << QString();
}

void MainWindowReactionsTest::requestsGoToAFreshWorker() {
    QFETCH(QString, button);
    QFETCH(QString, command);
    QFETCH(QVariantList, arguments);
    QFETCH(QString, debugLine);

    WorkerThreadPin pin(window.get());
    showAdvanced();
    chooseReader("Reader B");
    child<QTextEdit>("edit_text_apdu")->setPlainText("00A4040000\n0084000008");
    QThread *current = workerThread;
    auto busy = pin.current();
    QVERIFY(busy->waitUntilStarted());

    CommandLog log(window.get());
    if (!debugLine.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, qPrintable(debugLine));
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);

    QCOMPARE(log.names(), QStringList{command});
    QCOMPARE(log.commands[0].arguments, arguments);
    verifyRestartedFor(log, current, *busy);
}

void MainWindowReactionsTest::retiredWorkersTakeNoRequests() {
    // Held busy, the first retired worker outlives the restarts below.
    auto busy = occupyUntilReleased(workerThread);
    QVERIFY(busy->waitUntilStarted());
    chooseReader("Reader A");
    chooseReader("Reader B");

    QStringList reachingOthers;
    for (const char *request :
         {SIGNAL(listReaders()), SIGNAL(connectToReader(QString)), SIGNAL(sendT0(bool)),
          SIGNAL(sendT1(bool)), SIGNAL(sendAPDU(QString, QString)),
          SIGNAL(sendDESFire(QString, bool))}) {
        if (window->receiversOf(request) != 1)
            reachingOthers << QString::fromLatin1(request + 1);
    }
    busy->release.release();
    QVERIFY(busy->waitUntilEnded());
    QCOMPARE(reachingOthers, QStringList());
}

void MainWindowReactionsTest::protocolBoxesAlwaysSendTrue_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("command");
    QTest::newRow("T0") << "cb_protocol_t0"
                        << "sendT0";
    QTest::newRow("T1") << "cb_protocol_t1"
                        << "sendT1";
}

void MainWindowReactionsTest::protocolBoxesAlwaysSendTrue() {
    QFETCH(QString, box);
    QFETCH(QString, command);

    showAdvanced();
    auto *checkBox = child<QCheckBox>(box);
    QThread *current = workerThread;
    CommandLog log(window.get());

    QTest::mouseClick(checkBox, Qt::LeftButton);
    QVERIFY(checkBox->isChecked());
    QTest::mouseClick(checkBox, Qt::LeftButton);
    QVERIFY(!checkBox->isChecked());

    QCOMPARE(log.names(), (QStringList{command, command}));
    for (const Command &sent : log.commands) {
        QCOMPARE(sent.arguments, QVariantList{true});
        QCOMPARE(sent.workerThreadThen, current);
    }
    QCOMPARE(workerThread, current);
    QVERIFY(!current->isInterruptionRequested());
}

void MainWindowReactionsTest::releasingOffTheControlStillReacts_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("Refresh button") << "btn_refresh"
                                    << "listReaders" << true;
    QTest::newRow("T0 box") << "cb_protocol_t0"
                            << "sendT0" << false;
}

// The toolkit reports a release, but no click, when the pointer leaves a pressed
// control; the reactions hang on the release.
void MainWindowReactionsTest::releasingOffTheControlStillReacts() {
    QFETCH(QString, control);
    QFETCH(QString, command);
    QFETCH(bool, restarts);

    showAdvanced();
    auto *button = child<QAbstractButton>(control);
    const bool checkedBefore = button->isChecked();
    QThread *current = workerThread;
    CommandLog log(window.get());

    const QPoint outside(-10, -10);
    QTest::mousePress(button, Qt::LeftButton);
    QMouseEvent leave(QEvent::MouseMove, outside, button->mapToGlobal(outside), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &leave);
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, outside);

    QCOMPARE(log.names(), QStringList{command});
    QCOMPARE(button->isChecked(), checkedBefore);
    QCOMPARE(workerThread != current, restarts);
}

QTEST_MAIN(MainWindowReactionsTest)
#include "tst_mainwindow_reactions.moc"

#include "form_texts.h"
#include "ui/mainwindow.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>

#include <memory>

class MainWindowFormTest : public QObject {
    Q_OBJECT

private slots:
    void init() { window = std::make_unique<MainWindow>(); }
    void cleanup() { window.reset(); }

    void windowProperties();
    void widget_data();
    void widget();
    void creationOrder();
    void checkBoxesStartUnchecked();
    void textFitsItsControl_data();
    void textFitsItsControl();
    void atrLabel();
    void apduEntry();
    void enlargingKeepsEveryWidgetInPlace();
    void printerMenu();
    void actionsOutsideTheMenu();
    void contract();

private:
    QWidget *widgetNamed(const QString &name) const { return window->findChild<QWidget *>(name); }

    std::unique_ptr<MainWindow> window;
};

static const QStringList centralWidgetChildren = {
    "atr_label",         "button_desfire", "edit_text_apdu", "label_apdu", "btn_send_apdu",
    "label_apdu_return", "cb_protocol_t0", "cb_protocol_t1", "line",       "cb_advanced",
    "label_desfire",     "label_reader",   "combo_readers",  "btn_refresh"};

void MainWindowFormTest::windowProperties() {
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvane - V2.3.1"));
    QCOMPARE(window->size(), QSize(503, 449));
    QVERIFY(!window->windowIcon().isNull());
    QCOMPARE(window->centralWidget()->objectName(), QStringLiteral("centralWidget"));
    QCOMPARE(window->menuBar()->objectName(), QStringLiteral("menuBar"));
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusBar"));
    QVERIFY(window->statusBar()->currentMessage().isEmpty());
}

void MainWindowFormTest::widget_data() {
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hiddenAtStart");

    auto row = [](const char *name, const char *className, QRect geometry, const char *text,
                  bool hidden) {
        QTest::newRow(name) << QString::fromLatin1(className) << geometry
                            << QString::fromLatin1(text) << hidden;
    };
    row("atr_label", "QLabel", {10, 40, 481, 191}, "", false);
    row("button_desfire", "QPushButton", {20, 380, 121, 23}, "DESFire 8K Stress Test", true);
    row("edit_text_apdu", "QTextEdit", {20, 300, 301, 31}, "", true);
    row("label_apdu", "QLabel", {20, 280, 121, 16}, "APDU Command Entry", true);
    row("btn_send_apdu", "QPushButton", {330, 300, 75, 31}, "Send", true);
    row("label_apdu_return", "QLabel", {50, 310, 47, 13}, "", false);
    row("cb_protocol_t0", "QCheckBox", {20, 340, 41, 17}, "T0", true);
    row("cb_protocol_t1", "QCheckBox", {60, 340, 41, 17}, "T1", true);
    row("line", "QFrame", {10, 260, 481, 20}, "", false);
    row("cb_advanced", "QCheckBox", {20, 240, 101, 17}, "Advanced", false);
    row("label_desfire", "QLabel", {20, 360, 121, 16}, "DESFire", true);
    row("label_reader", "QLabel", {20, 10, 101, 20}, "Reader Connected:", false);
    row("combo_readers", "QComboBox", {120, 10, 291, 22}, "", false);
    row("btn_refresh", "QPushButton", {417, 5, 75, 31}, "Refresh", false);
}

void MainWindowFormTest::widget() {
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, hiddenAtStart);

    QWidget *widget = widgetNamed(QTest::currentDataTag());
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), className);
    QCOMPARE(widget->parentWidget(), window->centralWidget());
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(shownText(widget), text);
    QCOMPARE(widget->isHidden(), hiddenAtStart);
    QVERIFY(widget->isEnabled());
    QVERIFY(widget->toolTip().isEmpty());
}

// Creation order is also the stacking order: label_apdu_return must lie above the
// APDU entry.
void MainWindowFormTest::creationOrder() {
    QStringList names;
    for (QObject *child : window->centralWidget()->children())
        names << child->objectName();
    QCOMPARE(names, centralWidgetChildren);
}

void MainWindowFormTest::checkBoxesStartUnchecked() {
    for (const char *name : {"cb_protocol_t0", "cb_protocol_t1", "cb_advanced"})
        QVERIFY2(!window->findChild<QCheckBox *>(name)->isChecked(), name);
    auto *combo = window->findChild<QComboBox *>("combo_readers");
    QCOMPARE(combo->count(), 0);
    QVERIFY(!combo->isEditable());
    auto *line = window->findChild<QFrame *>("line");
    QCOMPARE(line->frameShape(), QFrame::HLine);
    QCOMPARE(line->frameShadow(), QFrame::Sunken);
}

void MainWindowFormTest::textFitsItsControl_data() {
    QTest::addColumn<QString>("name");
    for (const QString &name : formTextControls)
        QTest::newRow(qPrintable(name)) << name;
}

// The geometry is fixed in pixels; a text wider than its place is cut off on screen.
void MainWindowFormTest::textFitsItsControl() {
    QFETCH(QString, name);
    QWidget *widget = widgetNamed(name);
    const int textWidth = widget->fontMetrics().horizontalAdvance(shownText(widget));
    const int room = textRoom(widget);
    QVERIFY2(textWidth <= room, qPrintable(QString("%1 > %2").arg(textWidth).arg(room)));
}

void MainWindowFormTest::atrLabel() {
    auto *label = window->findChild<QLabel *>("atr_label");
    QCOMPARE(label->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(label->sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(label->sizePolicy().horizontalStretch(), 0);
    QCOMPARE(label->sizePolicy().verticalStretch(), 0);
    QCOMPARE(label->font().pointSize(), 10);
    QVERIFY(!label->autoFillBackground());
    QCOMPARE(label->styleSheet(), QStringLiteral("background-color:white"));
    QCOMPARE(label->frameShape(), QFrame::NoFrame);
    QVERIFY(label->hasScaledContents());
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QVERIFY(label->wordWrap());
    QCOMPARE(label->indent(), 0);
    QCOMPARE(int(label->textInteractionFlags()), 13);

    // No other widget of the form carries a font of its own.
    for (const QString &name : centralWidgetChildren) {
        if (name != "atr_label")
            QVERIFY2(!widgetNamed(name)->testAttribute(Qt::WA_SetFont), qPrintable(name));
    }
}

void MainWindowFormTest::apduEntry() {
    auto *edit = window->findChild<QTextEdit *>("edit_text_apdu");
    QCOMPARE(edit->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(edit->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(edit->sizePolicy().horizontalStretch(), 0);
    QCOMPARE(edit->sizePolicy().verticalStretch(), 0);
    QCOMPARE(edit->sizeIncrement(), QSize(0, 0));
    QCOMPARE(edit->sizeAdjustPolicy(), QAbstractScrollArea::AdjustIgnored);
}

void MainWindowFormTest::enlargingKeepsEveryWidgetInPlace() {
    QMap<QString, QRect> before;
    for (const QString &name : centralWidgetChildren)
        before[name] = widgetNamed(name)->geometry();

    window->show();
    window->resize(900, 700);
    QTRY_COMPARE(window->size(), QSize(900, 700));

    for (const QString &name : centralWidgetChildren)
        QCOMPARE(widgetNamed(name)->geometry(), before[name]);
}

void MainWindowFormTest::printerMenu() {
    const QList<QAction *> barEntries = window->menuBar()->actions();
    QCOMPARE(barEntries.size(), 1);
    QMenu *menu = barEntries.first()->menu();
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("menuPrinter"));
    QCOMPARE(menu->title(), QStringLiteral("Printer"));
    QCOMPARE(menu->parent(), window->menuBar());

    struct Entry {
        const char *objectName;
        const char *text;
    };
    const QList<Entry> expected = {{"actionCard_to_Contact", "Card to Contact"},
                                   {"actionCard_to_Contactless", "Card to Contactless"},
                                   {"actionEject_Card", "Eject Card"},
                                   {"", ""},
                                   {"actionDisconnect_from_Printer", "Disconnect from Printer"}};
    const QList<QAction *> entries = menu->actions();
    QCOMPARE(entries.size(), expected.size());
    for (int i = 0; i < entries.size(); ++i) {
        QAction *action = entries[i];
        const bool separator = *expected[i].objectName == '\0';
        QCOMPARE(action->isSeparator(), separator);
        if (separator)
            continue;
        QCOMPARE(action->objectName(), QString::fromLatin1(expected[i].objectName));
        QCOMPARE(action->text(), QString::fromLatin1(expected[i].text));
        QCOMPARE(action->parent(), window.get());
        QVERIFY(!action->isCheckable());
        QVERIFY(action->icon().isNull());
        QVERIFY(action->shortcut().isEmpty());
    }
}

void MainWindowFormTest::actionsOutsideTheMenu() {
    const QList<QPair<const char *, const char *>> hidden = {
        {"actionConnect_to_Printer", "Connect to Printer"}, {"actionExit", "Exit"}};
    for (const auto &[name, text] : hidden) {
        auto *action = window->findChild<QAction *>(name);
        QVERIFY2(action, name);
        QCOMPARE(action->text(), QString::fromLatin1(text));
        QCOMPARE(action->parent(), window.get());
        QVERIFY2(action->associatedWidgets().isEmpty(), name);
    }
}

// The worker side connects by these names and argument types.
void MainWindowFormTest::contract() {
    const QList<QPair<QMetaMethod::MethodType, const char *>> expected = {
        {QMetaMethod::Signal, "listReaders()"},
        {QMetaMethod::Signal, "connectToReader(QString)"},
        {QMetaMethod::Signal, "sendT0(bool)"},
        {QMetaMethod::Signal, "sendT1(bool)"},
        {QMetaMethod::Signal, "sendAPDU(QString,QString)"},
        {QMetaMethod::Signal, "sendDESFire(QString,bool)"},
        {QMetaMethod::Slot, "receiveReaderList(QStringList)"},
        {QMetaMethod::Slot, "receiveUIMessage(QString)"},
        {QMetaMethod::Slot, "receivePopupMessage(QString,QString)"},
        {QMetaMethod::Slot, "receiveReaderMessage(QString)"},
        {QMetaMethod::Slot, "receiveCardRemoved()"},
        {QMetaMethod::Slot, "readerButtonPressed()"},
        {QMetaMethod::Slot, "programDESFire()"},
        {QMetaMethod::Slot, "programAPDU()"},
        {QMetaMethod::Slot, "advancedOptions()"}};
    const QMetaObject *meta = window->metaObject();
    QCOMPARE(meta->superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(meta->methodCount() - meta->methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta->method(meta->methodOffset() + i);
        QCOMPARE(method.methodSignature(), QByteArray(expected[i].second));
        QCOMPARE(method.methodType(), expected[i].first);
        QCOMPARE(method.access(), i < 11 ? QMetaMethod::Public : QMetaMethod::Private);
    }
}

QTEST_MAIN(MainWindowFormTest)
#include "tst_mainwindow_form.moc"

#include "operator_window.h"

#include "printer/printer_platform.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

namespace {
constexpr int popupLookMs = 20;

template <typename T> T *child(const MainWindow &window, const char *name) {
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}
} // namespace

OperatorWindow::OperatorWindow() : window_(std::make_unique<MainWindow>()) {
    start();
}

OperatorWindow::OperatorWindow(std::unique_ptr<PrinterPlatform> printerPlatform)
    : window_(std::make_unique<MainWindow>(std::move(printerPlatform))) {
    start();
}

void OperatorWindow::start() {
    window_->installEventFilter(this);
    window_->show();
    connect(&popupWatch_, &QTimer::timeout, this, &OperatorWindow::closePopups);
    popupWatch_.start(popupLookMs);
}

// A worker's report reaches the window as a queued call. Running it here lets the label
// be read right after each one, however quickly the next one follows.
bool OperatorWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched != window_.get() || event->type() != QEvent::MetaCall)
        return false;
    const QString before = atrLabel()->text();
    watched->event(event);
    // A pop-up's call returns only after the calls run inside it, which have recorded
    // their own texts already.
    const QString shown = atrLabel()->text();
    if (shown != before && (shownTexts.isEmpty() || shownTexts.last() != shown)) {
        shownTexts.append(shown);
        if (onShown)
            onShown(shown);
    }
    return true;
}

OperatorWindow::~OperatorWindow() {
    window_->removeEventFilter(this);
}

QLabel *OperatorWindow::atrLabel() const {
    return child<QLabel>(*window_, "atr_label");
}

QComboBox *OperatorWindow::readers() const {
    return child<QComboBox>(*window_, "combo_readers");
}

QTextEdit *OperatorWindow::apduEdit() const {
    return child<QTextEdit>(*window_, "edit_text_apdu");
}

bool OperatorWindow::chooseReader(const QString &reader) {
    if (!QTest::qWaitFor([&] { return readers()->findText(reader) >= 0; }, 10000))
        return false;
    readers()->setCurrentText(reader);
    return readers()->currentText() == reader;
}

bool OperatorWindow::watchReader(const QString &reader) {
    const QString noCard = QStringLiteral("No smart card inserted.");
    if (!QTest::qWaitFor([&] { return atrLabel()->text() == noCard; }, 10000) ||
        !chooseReader(reader))
        return false;
    const QString connectLine = QStringLiteral("connect To Reader, reader name:") + reader;
    return QTest::qWaitFor(
        [&] {
            const QStringList lines = debug.lines();
            const int connected = lines.lastIndexOf(connectLine);
            return connected >= 0 &&
                   lines.indexOf(QStringLiteral("SCARD_S_SUCCESS"), connected) > 0;
        },
        10000);
}

void OperatorWindow::showAdvanced() {
    auto *advanced = child<QCheckBox>(*window_, "cb_advanced");
    if (!advanced->isChecked())
        QTest::mouseClick(advanced, Qt::LeftButton);
}

void OperatorWindow::refresh() {
    QTest::mouseClick(child<QPushButton>(*window_, "btn_refresh"), Qt::LeftButton);
}

void OperatorWindow::pasteApdu(const QString &text) {
    showAdvanced();
    apduEdit()->setPlainText(text);
}

void OperatorWindow::pressSend() {
    QTest::mouseClick(child<QPushButton>(*window_, "btn_send_apdu"), Qt::LeftButton);
}

void OperatorWindow::pressDesfire() {
    showAdvanced();
    QTest::mouseClick(child<QPushButton>(*window_, "button_desfire"), Qt::LeftButton);
}

void OperatorWindow::closePopups() {
    for (QMessageBox *box : window_->findChildren<QMessageBox *>()) {
        if (!box->isVisible())
            continue;
        popups.append({box->windowTitle(), box->text()});
        box->button(QMessageBox::Ok)->click();
    }
}

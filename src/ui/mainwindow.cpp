#include "mainwindow.h"

#include "printer/printer_control.h"
#include "printer/qt_printer_platform.h"
#include "printer/sdk_library.h"
#include "ui_mainwindow.h"
#include "worker/compiled_resources.h"
#include "worker/encoding.h"
#include "worker_threads.h"

#include <QDebug>
#include <QMessageBox>
#include <QThread>

static const QString cardRemovedSentence =
    QStringLiteral("The smart card has been removed, so that further communication is not "
                   "possible.");
static const QString noCardText = QStringLiteral("No smart card inserted.");
static const QString blackOnWhite =
    QStringLiteral("QLabel { background-color : white; color : black;}");

static constexpr int formFontPixels = 10;

// A worker leaves its card watch within a few tens of milliseconds and a typed run after
// the line under way, but a stress test under way runs to its end (cut short, it would
// leave the card holding the test application): long enough for that on a slow encoder.
static constexpr int shutdownWaitMs = 10000;

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(std::make_unique<QtPrinterPlatform>(), parent) {}

MainWindow::MainWindow(std::unique_ptr<PrinterPlatform> printerPlatform, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), printerPlatform(std::move(printerPlatform)) {
    ensureCompiledResources();
    useFormFont();
    ui->setupUi(this);
    printer = new PrinterControl(ui->atr_label, *this->printerPlatform, this);
    restartWorker();
    connectControls();
    for (QWidget *control : advancedControls())
        control->hide();
    loadSdkLibrary();
    emit listReaders();
}

MainWindow::~MainWindow() {
    stopWorkerThreads(QDeadlineTimer(shutdownWaitMs));
    delete ui;
}

// The form places its widgets in pixels around a small dialog font; the larger default
// font of many desktops would cut the texts of its labels and buttons short.
void MainWindow::useFormFont() {
    QFont formFont = font();
    formFont.setPixelSize(formFontPixels);
    setFont(formFont);
}

void MainWindow::restartWorker() {
    // A retired worker takes no further requests. Were it still connected, a request
    // queued to it while its own thread deletes it could lose the connection's slot
    // object inside Qt.
    for (const QMetaObject::Connection &request : qAsConst(workerRequests))
        disconnect(request);
    if (workerThread && workerThread->isRunning())
        workerThread->exit(0);
    workerThread = new QThread;
    // Named for whoever lists the process's threads (ps -T, a debugger).
    workerThread->setObjectName(QStringLiteral("card worker"));
    auto *worker = new Encoding;
    worker->moveToThread(workerThread);

    connect(workerThread, &QThread::finished, worker, &QObject::deleteLater);
    workerRequests = {
        connect(this, &MainWindow::sendT0, worker, &Encoding::receiveT0),
        connect(this, &MainWindow::sendT1, worker, &Encoding::receiveT1),
        connect(this, &MainWindow::sendAPDU, worker, &Encoding::receiveAPDUMessage),
        connect(this, &MainWindow::sendDESFire, worker, &Encoding::receiveDESFire),
        connect(this, &MainWindow::connectToReader, worker, &Encoding::connectToReader),
        connect(this, &MainWindow::listReaders, worker, &Encoding::listReaders),
    };
    connect(worker, &Encoding::sendBackReaderList, this, &MainWindow::receiveReaderList);
    connect(worker, &Encoding::sendBackPopup, this, &MainWindow::receivePopupMessage);
    connect(worker, &Encoding::sendBackUIMessage, this, &MainWindow::receiveUIMessage);
    connect(worker, &Encoding::sendBackReaderMessage, this, &MainWindow::receiveReaderMessage);
    connect(worker, &Encoding::sendCardRemoved, this, &MainWindow::receiveCardRemoved);

    trackWorkerThread(workerThread);
    workerThread->start(QThread::InheritPriority);
}

// The request has to reach the thread being retired, so it comes before the restart
// replaces workerThread.
void MainWindow::interruptAndRestartWorker() {
    if (workerThread)
        workerThread->requestInterruption();
    restartWorker();
}

void MainWindow::connectControls() {
    connect(ui->button_desfire, &QPushButton::released, this, &MainWindow::programDESFire);
    connect(ui->btn_send_apdu, &QPushButton::released, this, &MainWindow::programAPDU);
    connect(ui->cb_advanced, &QCheckBox::released, this, &MainWindow::advancedOptions);
    connect(ui->actionConnect_to_Printer, &QAction::triggered, printer,
            &PrinterControl::openPrinterSession);
    connect(ui->actionCard_to_Contact, &QAction::triggered, printer,
            &PrinterControl::cardToContact);
    connect(ui->actionCard_to_Contactless, &QAction::triggered, printer,
            &PrinterControl::cardToContactless);
    connect(ui->actionEject_Card, &QAction::triggered, printer, &PrinterControl::ejectCard);
    connect(ui->actionDisconnect_from_Printer, &QAction::triggered, printer,
            &PrinterControl::closePrinterSession);
    connect(ui->btn_refresh, &QPushButton::released, this, [this] {
        interruptAndRestartWorker();
        emit listReaders();
    });
    connect(ui->cb_protocol_t0, &QCheckBox::released, this, [this] { emit sendT0(true); });
    connect(ui->cb_protocol_t1, &QCheckBox::released, this, [this] { emit sendT1(true); });
    connect(ui->combo_readers, &QComboBox::currentTextChanged, this, [this] {
        interruptAndRestartWorker();
        emit connectToReader(ui->combo_readers->currentText());
    });
}

QList<QWidget *> MainWindow::advancedControls() const {
    return {ui->label_apdu,     ui->edit_text_apdu, ui->btn_send_apdu, ui->cb_protocol_t0,
            ui->cb_protocol_t1, ui->label_desfire,  ui->button_desfire};
}

void MainWindow::receiveReaderList(QStringList readers) {
    qDebug() << readers;
    ui->combo_readers->clear();
    ui->combo_readers->insertItems(0, readers);
}

void MainWindow::receiveUIMessage(QString message) {
    if (message.contains(cardRemovedSentence)) {
        message = noCardText;
        ui->atr_label->setStyleSheet(blackOnWhite);
    }
    ui->atr_label->setText(message);
}

void MainWindow::receivePopupMessage(QString popupTitle, QString popupMessage) {
    QMessageBox box(QMessageBox::NoIcon, popupTitle, popupMessage, QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MainWindow::receiveReaderMessage(QString message) {
    Q_UNUSED(message);
}

void MainWindow::receiveCardRemoved() {
    ui->atr_label->setText(noCardText);
    emit connectToReader(ui->combo_readers->currentText());
}

void MainWindow::readerButtonPressed() {
    ui->atr_label->setStyleSheet(blackOnWhite);
    emit listReaders();
    emit connectToReader(ui->combo_readers->currentText());
}

void MainWindow::programDESFire() {
    qDebug() << "DESFire Pressed";
    interruptAndRestartWorker();
    emit sendDESFire(ui->combo_readers->currentText(), true);
}

void MainWindow::programAPDU() {
    interruptAndRestartWorker();
    emit sendAPDU(ui->combo_readers->currentText(), ui->edit_text_apdu->toPlainText());
}

void MainWindow::advancedOptions() {
    const bool shown = ui->cb_advanced->isChecked();
    for (QWidget *control : advancedControls())
        control->setVisible(shown);
}

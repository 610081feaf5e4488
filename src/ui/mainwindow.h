#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

namespace Ui {
class MainWindow;
}
class PrinterControl;
class PrinterPlatform;

// The one window of the program. It owns its form holder; the widgets belong to it as
// children. The card worker is reached only through the signals below, and its thread
// is named by the process-wide workerThread (worker_threads.h). The printer is chosen
// through the platform given (Qt's print dialog by default), which the window owns.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    explicit MainWindow(std::unique_ptr<PrinterPlatform> printerPlatform,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

signals:
    void listReaders();
    void connectToReader(QString readerName);
    void sendT0(bool sendT0);
    void sendT1(bool sendT1);
    void sendAPDU(QString readerName, QString APDUMessage);
    void sendDESFire(QString readerName, bool sendDESFire);

public slots:
    void receiveReaderList(QStringList readers);
    void receiveUIMessage(QString message);
    void receivePopupMessage(QString popupTitle, QString popupMessage);
    void receiveReaderMessage(QString message);
    void receiveCardRemoved();

private slots:
    void readerButtonPressed();
    void programDESFire();
    void programAPDU();
    void advancedOptions();

private:
    void useFormFont();
    void restartWorker();
    void interruptAndRestartWorker();
    void connectControls();
    QList<QWidget *> advancedControls() const;

    Ui::MainWindow *ui;
    std::unique_ptr<PrinterPlatform> printerPlatform;
    PrinterControl *printer;                       // a child of the window
    QList<QMetaObject::Connection> workerRequests; // the current worker's request signals
};

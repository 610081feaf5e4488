#pragma once

#include "card/card_reports.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <PCSC/winscard.h>

// The card worker. It derives from QThread but is used as a plain object moved to a
// thread of the window's making; its thread body is never started.
class Encoding : public QThread, public CardReports {
    Q_OBJECT

public:
    explicit Encoding(QObject *parent = nullptr);

signals:
    void sendBackReaderList(QStringList readers);
    void sendBackUIMessage(QString message);
    void sendBackPopup(QString popupTitle, QString popupMessage);
    void sendBackReaderMessage(QString message);
    void sendCardRemoved();

public slots:
    void connectToReader(QString readerName);
    void listReaders();
    void receiveT0(bool receiveT0);
    void receiveT1(bool receiveT1);
    void receiveAPDUMessage(QString readerName, QString apduMessage);
    void receiveDESFire(QString readerName, bool DESFire);

private:
    void reportUiMessage(const QString &message) override { emit sendBackUIMessage(message); }
    void reportPopup(const QString &title, const QString &message) override {
        emit sendBackPopup(title, message);
    }

    void processCard(SCARDCONTEXT context, const QString &readerName);

    bool t0Requested = false;
    bool t1Requested = false;
    bool apduPending = false;
    QString apduText;
    bool desfireRequested = false;
};

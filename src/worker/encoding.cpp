#include "encoding.h"

Encoding::Encoding(QObject *parent) : QThread(parent) {}

void Encoding::connectToReader(QString readerName) { Q_UNUSED(readerName); }
void Encoding::listReaders() {}
void Encoding::receiveT0(bool receiveT0) { t0Requested = receiveT0; }
void Encoding::receiveT1(bool receiveT1) { t1Requested = receiveT1; }
void Encoding::receiveAPDUMessage(QString readerName, QString apduMessage)
{
    apduPending = true;
    apduText = apduMessage;
    connectToReader(readerName);
}
void Encoding::receiveDESFire(QString readerName, bool DESFire)
{
    desfireRequested = DESFire;
    connectToReader(readerName);
}
void Encoding::processCard(SCARDCONTEXT context, const QString &readerName)
{
    Q_UNUSED(context);
    Q_UNUSED(readerName);
}

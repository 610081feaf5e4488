#include "worker_harness.h"

#include "worker/encoding.h"

WorkerHarness::WorkerHarness() {
    auto *worker = new Encoding;
    worker->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);

    connect(this, &WorkerHarness::sendT0, worker, &Encoding::receiveT0);
    connect(this, &WorkerHarness::sendT1, worker, &Encoding::receiveT1);
    connect(this, &WorkerHarness::sendAPDU, worker, &Encoding::receiveAPDUMessage);
    connect(this, &WorkerHarness::sendDESFire, worker, &Encoding::receiveDESFire);
    connect(this, &WorkerHarness::connectToReader, worker, &Encoding::connectToReader);
    connect(this, &WorkerHarness::listReaders, worker, &Encoding::listReaders);

    connect(worker, &Encoding::sendBackReaderList, this, [this](const QStringList &readers) {
        readerLists.append(readers);
        emit reported();
    });
    connect(worker, &Encoding::sendBackPopup, this,
            [this](const QString &title, const QString &message) {
                popups.append({title, message});
                emit reported();
            });
    connect(worker, &Encoding::sendBackUIMessage, this, [this](const QString &message) {
        uiMessages.append(message);
        emit reported();
    });
    connect(worker, &Encoding::sendBackReaderMessage, this, [this](const QString &message) {
        readerMessages.append(message);
        emit reported();
    });
    connect(worker, &Encoding::sendCardRemoved, this, [this] {
        ++removals;
        emit reported();
    });

    thread_.start();
}

WorkerHarness::~WorkerHarness() {
    retire();
    thread_.wait(5000);
}

void WorkerHarness::retire() {
    thread_.requestInterruption();
    thread_.quit();
}

#pragma once

#include <QObject>
#include <QPair>
#include <QStringList>
#include <QThread>

class Encoding;

// Runs an Encoding worker on a real thread of its own and talks to it the way the main
// window does: commands as queued signals, reports recorded on the test's thread.
// Wait for reports with QTRY_* or QSignalSpy on the harness's own signals.
class WorkerHarness : public QObject {
    Q_OBJECT

public:
    WorkerHarness();
    // Retires the worker and waits (bounded) for its thread.
    ~WorkerHarness() override;

    // The window's way to retire a worker: an interruption request, then an end to the
    // thread's event loop.
    void retire();
    bool finished() const { return thread_.isFinished(); }

    QStringList uiMessages;
    QStringList readerMessages;
    QList<QStringList> readerLists;
    QList<QPair<QString, QString>> popups;
    int removals = 0;

signals:
    // Commands, as the window sends them.
    void listReaders();
    void connectToReader(QString readerName);
    void sendT0(bool sendT0);
    void sendT1(bool sendT1);
    void sendAPDU(QString readerName, QString APDUMessage);
    void sendDESFire(QString readerName, bool sendDESFire);

    // Emitted after each report has been recorded.
    void reported();

private:
    QThread thread_;
};

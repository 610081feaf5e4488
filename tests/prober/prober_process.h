#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// What the prober said it did.
struct ProberCounts {
    bool reported = false; // its closing line was read
    long connections = 0;
    long exclusive = 0;
    long refused = 0;
    long commands = 0;
    long resets = 0;
    long unfinished = 0;
};

// The prober (pcsc_prober) run as another program beside the test, on one reader.
class ProberProcess {
public:
    // arguments beyond the reader: "--exclusive", "--hold-ms", "1000", ...
    ProberProcess(const QString &reader, const QStringList &arguments = {});
    ~ProberProcess(); // stops it

    ProberProcess(const ProberProcess &) = delete;
    ProberProcess &operator=(const ProberProcess &) = delete;

    // Waits until its output holds text ("prober: ready", "prober: holding").
    bool waitFor(const QString &text, int timeoutMs = 10000);
    // Asks it to stop, waits for its end and reads its counts.
    ProberCounts finish();

private:
    QProcess process_;
    QString output_;
};

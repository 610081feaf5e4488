#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// The built quorvane-cli, run as an operator runs it: a child process with its own
// environment, its output read as it comes, Ctrl-C sent as SIGINT.
class CliProcess {
public:
    // environment: "NAME=value" entries added to this process's environment.
    explicit CliProcess(const QStringList &arguments, const QStringList &environment = {},
                        const QByteArray &input = {});
    ~CliProcess(); // kills a program still running

    CliProcess(const CliProcess &) = delete;
    CliProcess &operator=(const CliProcess &) = delete;

    // Waits until standard output (or error) holds text; false after timeoutMs.
    bool waitForOutput(const QString &text, int timeoutMs = 30000);
    bool waitForError(const QString &text, int timeoutMs = 30000);
    void interrupt();
    // Waits for the end; false when the program is still running after timeoutMs.
    bool finish(int timeoutMs = 120000);

    // The exit status; -1 when the program crashed or is still running.
    int exitCode() const;
    QStringList outputLines() const;
    // The lines "cycle N/M: ..." of a stress test.
    QStringList progressLines() const;
    QString output() const { return output_; }
    QString errors() const { return errors_; }

private:
    bool waitFor(const QString &text, const QString &in, int timeoutMs);
    void collect();

    QProcess process_;
    QString output_;
    QString errors_;
};

// A report the program wrote; empty when there is none.
QJsonObject readReport(const QString &path);

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
    // A bash script that runs the program as "$0", for what QProcess cannot say: argument
    // bytes that are no UTF-8, pipes.
    struct ShellScript {};
    static constexpr ShellScript shellScript{};
    CliProcess(ShellScript, const QString &script, const QStringList &environment = {});
    ~CliProcess(); // kills a program still running

    CliProcess(const CliProcess &) = delete;
    CliProcess &operator=(const CliProcess &) = delete;

    // Waits until standard output (or error) holds text; false after timeoutMs.
    bool waitForOutput(const QString &text, int timeoutMs = 30000);
    bool waitForError(const QString &text, int timeoutMs = 30000);
    void interrupt();
    void signal(int number);
    // Waits for the end; false when the program is still running after timeoutMs.
    bool finish(int timeoutMs = 120000);

    // The exit status; -1 when the program crashed or is still running.
    int exitCode() const;
    QStringList outputLines() const;
    // The lines "cycle N/M: ..." of a stress test.
    QStringList progressLines() const;
    QString output() const { return output_; }
    QByteArray rawOutput() const;
    QString errors() const { return errors_; }

private:
    void start(const QString &program, const QStringList &arguments, const QStringList &environment,
               const QByteArray &input);
    bool waitFor(const QString &text, const QString &in, int timeoutMs);
    void collect();

    QProcess process_;
    QByteArray rawOutput_;
    QString output_;
    QString errors_;
};

// A report the program wrote; empty when there is none.
QJsonObject readReport(const QString &path);

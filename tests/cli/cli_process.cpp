#include "cli_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <csignal>

CliProcess::CliProcess(const QStringList &arguments, const QStringList &environment,
                       const QByteArray &input) {
    start(QStringLiteral(QUORVANE_CLI), arguments, environment, input);
}

CliProcess::CliProcess(ShellScript, const QString &script, const QStringList &environment) {
    start(QStringLiteral("bash"), {QStringLiteral("-c"), script, QStringLiteral(QUORVANE_CLI)},
          environment, {});
}

void CliProcess::start(const QString &program, const QStringList &arguments,
                       const QStringList &environment, const QByteArray &input) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    process_.setProcessEnvironment(env);
    process_.start(program, arguments);
    process_.waitForStarted();
    process_.write(input);
    process_.closeWriteChannel();
}

CliProcess::~CliProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished();
}

void CliProcess::collect() {
    const QByteArray output = process_.readAllStandardOutput();
    rawOutput_ += output;
    output_ += QString::fromUtf8(output);
    errors_ += QString::fromUtf8(process_.readAllStandardError());
}

bool CliProcess::waitFor(const QString &text, const QString &in, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        collect();
        if (in.contains(text))
            return true;
        if (process_.state() == QProcess::NotRunning || clock.hasExpired(timeoutMs))
            return false;
        process_.waitForReadyRead(20);
    }
}

bool CliProcess::waitForOutput(const QString &text, int timeoutMs) {
    return waitFor(text, output_, timeoutMs);
}

bool CliProcess::waitForError(const QString &text, int timeoutMs) {
    return waitFor(text, errors_, timeoutMs);
}

void CliProcess::interrupt() {
    signal(SIGINT);
}

void CliProcess::signal(int number) {
    ::kill(pid_t(process_.processId()), number);
}

bool CliProcess::finish(int timeoutMs) {
    const bool finished = process_.waitForFinished(timeoutMs);
    collect();
    return finished;
}

int CliProcess::exitCode() const {
    if (process_.state() != QProcess::NotRunning || process_.exitStatus() != QProcess::NormalExit)
        return -1;
    return process_.exitCode();
}

QByteArray CliProcess::rawOutput() const {
    return rawOutput_;
}

QStringList CliProcess::outputLines() const {
    return output_.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList CliProcess::progressLines() const {
    return outputLines().filter(QRegularExpression(QStringLiteral("^cycle \\d+/")));
}

QJsonObject readReport(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

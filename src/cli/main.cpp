// quorvane-cli: the encoder checks of the window, for scripts, production lines and
// soak runs through the printer.

#include "cli_output.h"
#include "command_line.h"
#include "commands.h"
#include "exit_status.h"
#include "interruptible_run.h"

#include "pcsc/reader_names.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[]) {
    // Before any thread starts, so that every thread inherits it.
    holdInterrupts();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    // The shared code's debug lines are the window's developer traces.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    // As bytes, the way reader names are read: -r can name a reader whose name is no
    // UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(readerNameFromBytes(QByteArray(argv[i])));
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    switch (parsed.kind) {
    case ParsedCommandLine::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return AllPassed;
    case ParsedCommandLine::Version:
        printLine(QStringLiteral("quorvane-cli " QUORVANE_VERSION));
        return AllPassed;
    case ParsedCommandLine::UsageError:
        printError(parsed.error + QStringLiteral(" (see quorvane-cli --help)"));
        return SetupError;
    case ParsedCommandLine::Run:
        break;
    }
    return runInterruptibly([&parsed] { return runCommand(parsed.request); });
}

#include "command_line.h"

#include <QCommandLineParser>
#include <QMap>

#include <cmath>

namespace {

const QMap<QString, CliCommand> commandNames{
    {QStringLiteral("readers"), CliCommand::Readers},
    {QStringLiteral("identify"), CliCommand::Identify},
    {QStringLiteral("apdu"), CliCommand::Apdu},
    {QStringLiteral("desfire-test"), CliCommand::DesfireTest}};

// The options each command takes, by their long names.
QStringList optionsOf(CliCommand command) {
    switch (command) {
    case CliCommand::Readers:
        return {};
    case CliCommand::Identify:
        return {QStringLiteral("reader"), QStringLiteral("timeout")};
    case CliCommand::Apdu:
        return {QStringLiteral("reader"), QStringLiteral("timeout"), QStringLiteral("t0"),
                QStringLiteral("t1")};
    case CliCommand::DesfireTest:
        return {QStringLiteral("reader"),  QStringLiteral("timeout"),
                QStringLiteral("cycles"),  QStringLiteral("printer"),
                QStringLiteral("station"), QStringLiteral("printer-timeout"),
                QStringLiteral("report")};
    }
    return {};
}

// Longer than anyone waits at a terminal, short enough for a millisecond count.
constexpr double longestSeconds = 24 * 3600;
constexpr int mostCycles = 1000000;

bool parseSeconds(const QString &text, std::chrono::milliseconds *out) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > longestSeconds)
        return false;
    *out = std::chrono::milliseconds(qint64(std::ceil(seconds * 1000)));
    return true;
}

ParsedCommandLine usageError(const QString &error) {
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption reader({QStringLiteral("r"), QStringLiteral("reader")}, {},
                                    QStringLiteral("NAME"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), {}, QStringLiteral("S"));
    const QCommandLineOption t0(QStringLiteral("t0"), {});
    const QCommandLineOption t1(QStringLiteral("t1"), {});
    const QCommandLineOption cycles(QStringLiteral("cycles"), {}, QStringLiteral("N"));
    const QCommandLineOption printer(QStringLiteral("printer"), {}, QStringLiteral("QUEUE"));
    const QCommandLineOption station(QStringLiteral("station"), {}, QStringLiteral("STATION"));
    const QCommandLineOption printerTimeout(QStringLiteral("printer-timeout"), {},
                                            QStringLiteral("S"));
    const QCommandLineOption report(QStringLiteral("report"), {}, QStringLiteral("FILE"));
    parser.addOptions(
        {help, version, reader, timeout, t0, t1, cycles, printer, station, printerTimeout, report});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());

    ParsedCommandLine parsed;
    if (parser.isSet(help)) {
        parsed.kind = ParsedCommandLine::Help;
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.kind = ParsedCommandLine::Version;
        return parsed;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString commandName = positional.takeFirst();
    if (!commandNames.contains(commandName))
        return usageError(QStringLiteral("unknown command \"%1\"").arg(commandName));
    CliRequest &request = parsed.request;
    request.command = commandNames.value(commandName);

    const QStringList taken = optionsOf(request.command);
    for (const QString &name : parser.optionNames()) {
        const QString longName = name == QLatin1String("r") ? QStringLiteral("reader") : name;
        if (!taken.contains(longName))
            return usageError(QStringLiteral("%1 takes no option --%2").arg(commandName, longName));
    }
    if (request.command == CliCommand::Apdu) {
        if (positional.size() > 1)
            return usageError(QStringLiteral("apdu takes one FILE at most"));
        request.apduFile = positional.value(0, QStringLiteral("-"));
    } else if (!positional.isEmpty()) {
        return usageError(
            QStringLiteral("%1 takes no argument \"%2\"").arg(commandName, positional.first()));
    }

    request.reader = parser.value(reader);
    if (parser.isSet(reader) && request.reader.isEmpty())
        return usageError(QStringLiteral("--reader needs a reader name"));
    if (parser.isSet(timeout) && !parseSeconds(parser.value(timeout), &request.cardTimeout))
        return usageError(QStringLiteral("--timeout needs a number of seconds above 0, not \"%1\"")
                              .arg(parser.value(timeout)));
    request.t0 = parser.isSet(t0);
    request.t1 = parser.isSet(t1);
    if (request.t0 && request.t1)
        return usageError(QStringLiteral("--t0 and --t1 exclude each other"));
    if (parser.isSet(cycles)) {
        bool ok = false;
        request.cycles = parser.value(cycles).toInt(&ok);
        if (!ok || request.cycles < 1 || request.cycles > mostCycles)
            return usageError(
                QStringLiteral("--cycles needs a whole number from 1 to %1, not \"%2\"")
                    .arg(mostCycles)
                    .arg(parser.value(cycles)));
    }
    request.printerQueue = parser.value(printer);
    if (parser.isSet(printer) && request.printerQueue.isEmpty())
        return usageError(QStringLiteral("--printer needs a printer queue name"));
    if (parser.isSet(printer) != parser.isSet(station))
        return usageError(QStringLiteral("--printer and --station go together"));
    if (parser.isSet(station)) {
        const QString value = parser.value(station);
        if (value == QLatin1String("contact"))
            request.station = Station::Contact;
        else if (value == QLatin1String("contactless"))
            request.station = Station::Contactless;
        else
            return usageError(
                QStringLiteral("--station is contact or contactless, not \"%1\"").arg(value));
    }
    if (parser.isSet(printerTimeout)) {
        if (!parser.isSet(printer))
            return usageError(QStringLiteral("--printer-timeout goes with --printer"));
        if (!parseSeconds(parser.value(printerTimeout), &request.printerTimeout))
            return usageError(
                QStringLiteral("--printer-timeout needs a number of seconds above 0, not \"%1\"")
                    .arg(parser.value(printerTimeout)));
    }
    request.reportPath = parser.value(report);
    if (parser.isSet(report) && request.reportPath.isEmpty())
        return usageError(QStringLiteral("--report needs a file name"));

    parsed.kind = ParsedCommandLine::Run;
    return parsed;
}

QString usageText() {
    return QStringLiteral(
        "usage: quorvane-cli [--help] [--version] COMMAND [OPTIONS]\n"
        "\n"
        "Checks the smart-card encoders of a card printer from scripts and test benches.\n"
        "\n"
        "commands:\n"
        "  readers                  each reader, a tab, then \"empty\" or the card's ATR\n"
        "  identify [-r READER] [--timeout S]\n"
        "                           waits for a card, prints its ATR and description\n"
        "  apdu [-r READER] [--timeout S] [--t0|--t1] [FILE|-]\n"
        "                           sends the APDUs of FILE (standard input with - or\n"
        "                           none), one per line, and prints each response\n"
        "  desfire-test [-r READER] [--timeout S] [--cycles N] [--report FILE]\n"
        "               [--printer QUEUE --station contact|contactless [--printer-timeout S]]\n"
        "                           runs the DESFire 8K stress test N times; with\n"
        "                           --printer, the printer feeds and ejects a card each cycle\n"
        "\n"
        "options:\n"
        "  -r, --reader NAME        the reader; without it the only reader, or of several\n"
        "                           the only one that holds a card\n"
        "  --timeout S              seconds to wait for a card to arrive or leave (10)\n"
        "  --t0, --t1               the protocol for apdu (default: T=0 or T=1)\n"
        "  --cycles N               stress tests to run (1)\n"
        "  --printer QUEUE          the card printer's CUPS queue\n"
        "  --station STATION        where the printer takes the card: contact or contactless\n"
        "  --printer-timeout S      seconds to wait for a busy printer (60)\n"
        "  --report FILE            writes the run as JSON to FILE\n"
        "\n"
        "exit status: 0 all passed, 1 a check failed, 2 usage or set-up error,\n"
        "129 stopped by SIGHUP, 130 stopped with Ctrl-C, 141 standard output lost,\n"
        "143 stopped by SIGTERM. See quorvane-cli(1).\n");
}

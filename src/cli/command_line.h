#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

enum class CliCommand { Readers, Identify, Apdu, DesfireTest };
enum class Station { Contact, Contactless };

// What the command line asks for, checked: every value in range and every option one
// that its command takes.
struct CliRequest {
    CliCommand command = CliCommand::Readers;
    QString reader; // empty: the program chooses (reader_choice.h)
    std::chrono::milliseconds cardTimeout{10000};
    bool t0 = false;
    bool t1 = false;
    QString apduFile; // "-" for standard input
    int cycles = 1;
    QString printerQueue; // empty: the card is already in the reader
    Station station = Station::Contact;
    std::chrono::milliseconds printerTimeout{60000};
    QString reportPath; // empty: no report
};

struct ParsedCommandLine {
    enum Kind { Run, Help, Version, UsageError };
    Kind kind = UsageError;
    CliRequest request;
    QString error; // for UsageError: what is wrong, in one line
};

// arguments as QCoreApplication::arguments() gives them, the program's name first.
ParsedCommandLine parseCommandLine(const QStringList &arguments);

// The text of --help.
QString usageText();

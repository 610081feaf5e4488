#include "commands.h"

int runCommand(const CliRequest &request) {
    switch (request.command) {
    case CliCommand::Readers:
        return runReaders(request);
    case CliCommand::Identify:
        return runIdentify(request);
    case CliCommand::Apdu:
        return runApdu(request);
    case CliCommand::DesfireTest:
        return runDesfireTest(request);
    }
    return 0;
}

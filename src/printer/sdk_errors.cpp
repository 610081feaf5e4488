#include "sdk_errors.h"

#include "sdk_api.h"

QString sdkErrorText(std::int32_t result) {
    switch (sdk::resultCode(result)) {
    case sdk::TimedOut:
        return QStringLiteral("Vantorel SDK: Timed out waiting for a response from the printer");
    case sdk::NonSpecific:
        return QStringLiteral("Vantorel SDK: Non specific SDK error");
    case sdk::PrinterError:
        return QStringLiteral("Vantorel SDK: Printer has reported an error");
    case sdk::DriverNotCompliant:
        return QStringLiteral("Vantorel SDK: Driver is not compliant with the SDK DLL");
    case sdk::OpenCommunication:
        return QStringLiteral("Vantorel SDK: Error opening communication with the printer");
    case sdk::RemoteCommunication:
        return QStringLiteral("Vantorel SDK: Remote communications error");
    case sdk::LocalCommunication:
    case sdk::LocalCommunicationToo:
        return QStringLiteral("Vantorel SDK: Local communications error");
    case sdk::AlreadyPrinting:
        return QStringLiteral("Vantorel SDK: Printer is already printing a job");
    case sdk::SessionActive:
        return QStringLiteral("Vantorel SDK: Session already active");
    case sdk::ParameterOutOfRange:
        return QStringLiteral("Vantorel SDK: Input parameter out of range");
    case sdk::InvalidHandle:
        return QStringLiteral("Vantorel SDK: Invalid SDK session handle");
    case sdk::BufferTooSmall:
        return QStringLiteral("Vantorel SDK: Buffer is too small");
    case sdk::InvalidForPrinterType:
        return QStringLiteral("Vantorel SDK: Invalid Action for this type of printer");
    case sdk::NotEquipped:
        return QStringLiteral("Vantorel SDK: Printer is not equipped for this action");
    default:
        // The misspelling is the SDK's established wording.
        return QStringLiteral("Vantorel SDK: Uknown SDK Error");
    }
}

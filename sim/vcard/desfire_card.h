#pragma once

#include "desfire_model.h"
#include "desfire_options.h"
#include "virtual_card.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vcard {

// One command APDU as received and the answer given to it.
struct DesfireExchange {
    Bytes command;
    Bytes answer;
};

// A MIFARE DESFire EV1 8K card speaking native commands wrapped in ISO 7816-4 APDUs
// (90 INS 00 00 [Lc data] 00, answered with data and 91 status): legacy DES
// authentication, applications, standard data files, frame chaining and memory
// accounting. Files are read and written as plain data whatever their
// communication setting.
//
// Where a real card's behaviour is not documented, it behaves like this: malformed
// wrapping gets an ISO status (67 00 length, 6A 86 P1 P2, 6E 00 class) and runs
// nothing; any native error status ends the authentication; a command that breaks
// into a chain gets CA and is not run; 90 AF without a chain gets 1C; card-level
// commands inside an application, and file commands at the card level, get 9D; key
// settings refuse with AE, file access rights with 9D; written frames take effect at
// once. As on a real card, a deleted application's memory stays used until FormatPICC.
// As a PC/SC reader's firmware does for every contactless card, FF CA 00 00 00 gives the
// UID (reader::answerGetData), without the status padding of the fault below.
//
// Throws std::invalid_argument when the options describe a card that cannot exist
// (duplicate or zero AIDs, too many applications or keys, files out of range, more
// than the memory holds).
class DesfireCard : public VirtualCard {
public:
    explicit DesfireCard(DesfireOptions options = {});

    Bytes atr() const override;
    void powerOn() override;
    void powerOff() override;
    void reset() override;
    Bytes execute(const Bytes &apdu) override;

    // Inspection, for tests; none of these changes the card.
    std::vector<desfire::Aid> applicationIds() const;
    std::optional<Bytes> fileContents(const desfire::Aid &aid, std::uint8_t file) const;
    std::optional<std::size_t> fileSize(const desfire::Aid &aid, std::uint8_t file) const;
    desfire::Aid selectedApplication() const { return selected_; } // piccLevel: none
    bool authenticated() const { return authenticatedKey_.has_value(); }
    std::optional<int> authenticatedKey() const { return authenticatedKey_; }
    std::size_t freeMemory() const { return picc_.freeMemory(); }
    std::vector<DesfireExchange> commandLog() const { return log_; }
    void clearCommandLog() { log_.clear(); }

private:
    struct Answer {
        std::uint8_t status;
        Bytes data;
        std::optional<Bytes> verbatim = std::nullopt; // sent as it stands instead (a fault)
    };
    // A command that spans more than one frame and is waiting for 90 AF.
    struct Chain {
        enum Kind { None, Authenticate, Write, Frames } kind = None;
        int keyNumber = 0;
        desfire::DesKey key{};
        desfire::Block rndB{};
        std::uint8_t file = 0;
        std::size_t offset = 0;
        std::size_t remaining = 0;
        std::vector<Bytes> frames; // answers still to give, the next one first
        bool madeUp = false;       // an authentication answered with made-up frames
    };

    Bytes answerTo(const Bytes &apdu);
    Answer runNative(std::uint8_t command, const Bytes &data);
    Answer continueChain(const Bytes &data);
    Answer answerInFrames(std::vector<Bytes> frames);
    void endSession();

    Answer authenticate(const Bytes &data);
    Answer finishAuthentication(const Bytes &data);
    Answer grantMadeUpAuthentication(const Chain &pending, const Bytes &data);
    bool authenticationMadeUp() const;
    Answer selectApplication(const Bytes &data);
    Answer createApplication(const Bytes &data);
    Answer deleteApplication(const Bytes &data);
    Answer formatPicc(const Bytes &data);
    Answer getApplicationIds(const Bytes &data);
    Answer getFileIds(const Bytes &data);
    Answer getKeySettings(const Bytes &data);
    Answer freeMemoryCommand(const Bytes &data);
    Answer getVersion(const Bytes &data);
    Answer createStdDataFile(const Bytes &data);
    Answer writeData(const Bytes &data);
    Answer continueWrite(const Bytes &data);
    Answer readData(const Bytes &data);

    desfire::Application *selectedApp();
    bool piccMasterAuthenticated() const;
    bool applicationMasterAuthenticated() const;
    bool mayAccess(std::uint8_t accessKey, std::uint8_t readWriteKey) const;
    // The file named by data[0] in the selected application when the access right that
    // keyOf picks (or read-and-write) allows it; otherwise null and *refusal says why.
    const desfire::StdDataFile *accessibleFile(const Bytes &data,
                                               std::uint8_t (desfire::StdDataFile::*keyOf)() const,
                                               std::uint8_t *refusal);

    DesfireOptions options_;
    desfire::Picc picc_;
    desfire::Aid selected_ = desfire::piccLevel;
    std::optional<int> authenticatedKey_;
    Chain chain_;
    std::vector<DesfireExchange> log_;
    std::mt19937 random_{std::random_device{}()};
};

} // namespace vcard

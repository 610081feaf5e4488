#include "desfire_card.h"

#include "contactless_reader.h"
#include "desfire_protocol.h"
#include "iso_card.h"

#include <algorithm>

namespace vcard {

using namespace desfire;

namespace {

constexpr std::uint8_t wrappedClass = 0x90;
constexpr std::uint8_t nativeStatusByte = 0x91;

// ISO 7816-4 statuses for APDUs that do not wrap a native command properly; the
// native command is then not run at all.
const Bytes isoWrongLength{0x67, 0x00};       // Lc disagrees with the length, Le not 00
const Bytes isoWrongParameters{0x6A, 0x86};   // P1 P2 other than 00 00
const Bytes isoClassNotSupported{0x6E, 0x00}; // CLA other than 90

// The card-level master key counts as one key of its own.
constexpr std::uint8_t piccKeyCountByte = 0x01;

// GetVersion, EV1 with 8 KB: vendor 04, type 01, subtype 01, version 1.0, storage 1A
// (2^13 bytes), protocol 05 (ISO 14443-2 and -3); the same for the software.
const Bytes hardwareVersion{0x04, 0x01, 0x01, 0x01, 0x00, 0x1A, 0x05};
const Bytes softwareVersion{0x04, 0x01, 0x01, 0x01, 0x04, 0x1A, 0x05};
const Bytes batchNumber{0xBA, 0x34, 0x49, 0x18, 0x50};
constexpr std::uint8_t productionWeek = 0x21; // BCD
constexpr std::uint8_t productionYear = 0x13;

bool keeps(std::uint8_t status) {
    return status == status::ok || status == status::additionalFrame || status == status::noChanges;
}

} // namespace

DesfireCard::DesfireCard(DesfireOptions options)
    : options_(std::move(options)), picc_(piccFrom(options_)) {}

Bytes DesfireCard::atr() const {
    return atrs::desfireEv1;
}

void DesfireCard::powerOn() {
    endSession();
}

void DesfireCard::powerOff() {
    endSession();
}

void DesfireCard::reset() {
    endSession();
}

void DesfireCard::endSession() {
    selected_ = piccLevel;
    authenticatedKey_.reset();
    chain_ = Chain{};
}

// Get Data never reaches the card: the reader answers it from what it learnt when the
// card entered its field.
Bytes DesfireCard::execute(const Bytes &apdu) {
    std::optional<Bytes> answer = reader::answerGetData(apdu, options_.uid);
    if (!answer) {
        answer = answerTo(apdu);
        if (answer->size() >= 2)
            answer->insert(answer->end() - 2, options_.statusPadding, 0x00);
    }
    log_.push_back({apdu, *answer});
    return *answer;
}

// Short APDUs only: 90 INS 00 00 00, or 90 INS 00 00 Lc data 00. A malformed wrapping
// is refused at the ISO layer and leaves the card's state, chains included, as it was.
Bytes DesfireCard::answerTo(const Bytes &apdu) {
    if (apdu.size() < 5)
        return isoWrongLength;
    if (apdu[0] != wrappedClass)
        return isoClassNotSupported;
    if (apdu[2] != 0x00 || apdu[3] != 0x00)
        return isoWrongParameters;
    Bytes data;
    if (apdu.size() == 5) {
        if (apdu[4] != 0x00)
            return isoWrongLength;
    } else {
        const std::size_t lc = apdu[4];
        if (lc == 0 || apdu.size() != 5 + lc + 1 || apdu.back() != 0x00)
            return isoWrongLength;
        data.assign(apdu.begin() + 5, apdu.end() - 1);
    }

    Answer answer = runNative(apdu[1], data);
    if (answer.verbatim)
        return *answer.verbatim;
    // Any error ends an authentication: the reader has to authenticate again.
    if (!keeps(answer.status))
        authenticatedKey_.reset();
    answer.data.push_back(nativeStatusByte);
    answer.data.push_back(answer.status);
    return answer.data;
}

DesfireCard::Answer DesfireCard::runNative(std::uint8_t code, const Bytes &data) {
    if (data.size() > maxFrameData) {
        chain_ = Chain{};
        return {status::lengthError, {}};
    }
    if (code == command::additionalFrame)
        return continueChain(data);
    if (chain_.kind != Chain::None) {
        // The card does not run a command that breaks into an unfinished chain.
        chain_ = Chain{};
        return {status::commandAborted, {}};
    }
    switch (code) {
    case command::authenticate:
        return authenticate(data);
    case command::selectApplication:
        return selectApplication(data);
    case command::createApplication:
        return createApplication(data);
    case command::deleteApplication:
        return deleteApplication(data);
    case command::formatPicc:
        return formatPicc(data);
    case command::getApplicationIds:
        return getApplicationIds(data);
    case command::getFileIds:
        return getFileIds(data);
    case command::getKeySettings:
        return getKeySettings(data);
    case command::freeMemory:
        return freeMemoryCommand(data);
    case command::getVersion:
        return getVersion(data);
    case command::createStdDataFile:
        return createStdDataFile(data);
    case command::writeData:
        return writeData(data);
    case command::readData:
        return readData(data);
    default:
        return {status::commandNotSupported, {}};
    }
}

DesfireCard::Answer DesfireCard::continueChain(const Bytes &data) {
    switch (chain_.kind) {
    case Chain::Authenticate:
        return finishAuthentication(data);
    case Chain::Write:
        if (data.empty()) {
            chain_ = Chain{};
            return {status::lengthError, {}};
        }
        return continueWrite(data);
    case Chain::Frames:
        if (!data.empty()) {
            chain_ = Chain{};
            return {status::lengthError, {}};
        }
        return answerInFrames(std::move(chain_.frames));
    case Chain::None:
        break;
    }
    return {status::commandNotSupported, {}};
}

// Gives the first frame; the rest wait for 90 AF.
DesfireCard::Answer DesfireCard::answerInFrames(std::vector<Bytes> frames) {
    Answer answer{status::ok, frames.front()};
    frames.erase(frames.begin());
    chain_ = Chain{};
    if (!frames.empty()) {
        chain_.kind = Chain::Frames;
        chain_.frames = std::move(frames);
        answer.status = status::additionalFrame;
    }
    return answer;
}

Application *DesfireCard::selectedApp() {
    return picc_.find(selected_);
}

bool DesfireCard::piccMasterAuthenticated() const {
    return selected_ == piccLevel && authenticatedKey_ == 0;
}

bool DesfireCard::applicationMasterAuthenticated() const {
    return selected_ != piccLevel && authenticatedKey_ == 0;
}

DesfireCard::Answer DesfireCard::authenticate(const Bytes &data) {
    authenticatedKey_.reset();
    if (data.size() != 1)
        return {status::lengthError, {}};
    const int keyNumber = data[0];
    DesKey key;
    if (selected_ == piccLevel) {
        if (keyNumber != 0)
            return {status::noSuchKey, {}};
        key = picc_.masterKey;
    } else {
        const Application *app = selectedApp();
        if (keyNumber >= app->keyCount())
            return {status::noSuchKey, {}};
        // Keys of other types answer only their own authentication commands.
        if (!app->desKeys())
            return {status::authenticationError, {}};
        key = app->keys[static_cast<std::size_t>(keyNumber)];
    }
    chain_.kind = Chain::Authenticate;
    chain_.keyNumber = keyNumber;
    chain_.key = key;
    chain_.madeUp = authenticationMadeUp();
    for (auto &b : chain_.rndB)
        b = static_cast<std::uint8_t>(random_());
    Answer challenge{status::additionalFrame, bytesOf(desEncipher(key, chain_.rndB))};
    if (chain_.madeUp)
        challenge.verbatim = options_.madeUpAuthentication->challenge;
    return challenge;
}

bool DesfireCard::authenticationMadeUp() const {
    return options_.madeUpAuthentication &&
           (!options_.madeUpAuthentication->piccLevelOnly || selected_ == piccLevel);
}

// Whatever the reader sent, the key counts as proved; the answer proves it only when
// the reader's D1 was dK(RndA) and no made-up answer stands in for it.
DesfireCard::Answer DesfireCard::grantMadeUpAuthentication(const Chain &pending,
                                                           const Bytes &data) {
    authenticatedKey_ = pending.keyNumber;
    Bytes proof(8, 0x00);
    if (data.size() == 16)
        proof = bytesOf(
            desEncipher(pending.key, rotateLeft(desEncipher(pending.key, blockFrom(data, 0)))));
    return {status::ok, proof, options_.madeUpAuthentication->confirmation};
}

// The reader sent D1 = dK(RndA) and D2 = dK(D1 xor rol(RndB)).
DesfireCard::Answer DesfireCard::finishAuthentication(const Bytes &data) {
    const Chain pending = chain_;
    chain_ = Chain{};
    if (pending.madeUp)
        return grantMadeUpAuthentication(pending, data);
    if (data.size() != 16)
        return {status::lengthError, {}};
    const Block d1 = blockFrom(data, 0);
    const Block d2 = blockFrom(data, 8);
    const Block rndA = desEncipher(pending.key, d1);
    if (xorBlocks(desEncipher(pending.key, d2), d1) != rotateLeft(pending.rndB))
        return {status::authenticationError, {}};
    authenticatedKey_ = pending.keyNumber;
    return {status::ok, bytesOf(desEncipher(pending.key, rotateLeft(rndA)))};
}

// A failed selection keeps the previous one but, like every selection, ends the
// authentication.
DesfireCard::Answer DesfireCard::selectApplication(const Bytes &data) {
    authenticatedKey_.reset();
    if (data.size() != 3)
        return {status::lengthError, {}};
    const Aid aid = aidFrom(data);
    if (aid != piccLevel && !picc_.find(aid))
        return {status::applicationNotFound, {}};
    selected_ = aid;
    return {status::ok, {}};
}

// Commands of the card level answer 9D with an application selected, and commands of
// an application answer 9D at the card level.
DesfireCard::Answer DesfireCard::createApplication(const Bytes &data) {
    if (data.size() != 5)
        return {status::lengthError, {}};
    if (selected_ != piccLevel)
        return {status::permissionDenied, {}};
    const bool freeCreate = picc_.keySettings & 0x04;
    if (!freeCreate && !piccMasterAuthenticated())
        return {status::authenticationError, {}};
    Application app;
    app.aid = aidFrom(data);
    app.keySettings = data[3];
    app.keyCountByte = data[4];
    const bool knownKeyType = (app.keyCountByte & 0xC0) != 0xC0;
    if (app.aid == piccLevel || app.keyCount() < 1 || app.keyCount() > maxKeysPerApplication ||
        !knownKeyType)
        return {status::parameterError, {}};
    if (picc_.find(app.aid))
        return {status::duplicateError, {}};
    if (picc_.applications.size() >= maxApplications)
        return {status::countError, {}};
    if (memory::applicationCost(app.keyCount()) > picc_.freeMemory())
        return {status::outOfMemory, {}};
    app.keys.resize(static_cast<std::size_t>(app.keyCount()));
    picc_.applications.push_back(app);
    return {status::ok, {}};
}

DesfireCard::Answer DesfireCard::deleteApplication(const Bytes &data) {
    if (data.size() != 3)
        return {status::lengthError, {}};
    const Aid aid = aidFrom(data);
    if (aid == piccLevel || !picc_.find(aid))
        return {status::applicationNotFound, {}};
    const bool ownMasterKey = selected_ == aid && authenticatedKey_ == 0;
    if (!piccMasterAuthenticated() && !ownMasterKey)
        return {status::authenticationError, {}};
    picc_.remove(aid);
    if (selected_ == aid) {
        selected_ = piccLevel;
        authenticatedKey_.reset();
    }
    return {status::ok, {}};
}

// Keeps the card master key and its settings.
DesfireCard::Answer DesfireCard::formatPicc(const Bytes &data) {
    if (!data.empty())
        return {status::lengthError, {}};
    if (!piccMasterAuthenticated())
        return {status::authenticationError, {}};
    picc_.format();
    authenticatedKey_.reset();
    return {status::ok, {}};
}

DesfireCard::Answer DesfireCard::getApplicationIds(const Bytes &data) {
    if (!data.empty())
        return {status::lengthError, {}};
    if (selected_ != piccLevel)
        return {status::permissionDenied, {}};
    const bool freeListing = picc_.keySettings & 0x02;
    if (!freeListing && !piccMasterAuthenticated())
        return {status::authenticationError, {}};
    std::vector<Bytes> frames{{}};
    for (const Application &app : picc_.applications) {
        if (frames.back().size() == maxAidsPerFrame * 3)
            frames.emplace_back();
        frames.back().insert(frames.back().end(), app.aid.begin(), app.aid.end());
    }
    return answerInFrames(std::move(frames));
}

DesfireCard::Answer DesfireCard::getKeySettings(const Bytes &data) {
    if (!data.empty())
        return {status::lengthError, {}};
    const Application *app = selectedApp();
    const std::uint8_t settings = app ? app->keySettings : picc_.keySettings;
    const bool masterKey = app ? applicationMasterAuthenticated() : piccMasterAuthenticated();
    if (!(settings & 0x02) && !masterKey)
        return {status::authenticationError, {}};
    return {status::ok, {settings, app ? app->keyCountByte : piccKeyCountByte}};
}

DesfireCard::Answer DesfireCard::freeMemoryCommand(const Bytes &data) {
    if (!data.empty())
        return {status::lengthError, {}};
    const std::size_t free = picc_.freeMemory();
    return {status::ok,
            {static_cast<std::uint8_t>(free), static_cast<std::uint8_t>(free >> 8),
             static_cast<std::uint8_t>(free >> 16)}};
}

DesfireCard::Answer DesfireCard::getVersion(const Bytes &data) {
    if (!data.empty())
        return {status::lengthError, {}};
    Bytes production = options_.uid;
    production.insert(production.end(), batchNumber.begin(), batchNumber.end());
    production.push_back(productionWeek);
    production.push_back(productionYear);
    return answerInFrames({hardwareVersion, softwareVersion, production});
}

std::vector<Aid> DesfireCard::applicationIds() const {
    std::vector<Aid> ids;
    for (const Application &app : picc_.applications)
        ids.push_back(app.aid);
    return ids;
}

} // namespace vcard

// The card's standard data files: creating, listing, writing and reading them.

#include "desfire_card.h"
#include "desfire_protocol.h"

namespace vcard {

using namespace desfire;

// A file access right: free, or the named key (or the read-and-write key) authenticated.
bool DesfireCard::mayAccess(std::uint8_t accessKey, std::uint8_t readWriteKey) const {
    if (accessKey == freeAccess || readWriteKey == freeAccess)
        return true;
    return authenticatedKey_ &&
           (*authenticatedKey_ == accessKey || *authenticatedKey_ == readWriteKey);
}

DesfireCard::Answer DesfireCard::getFileIds(const Bytes &data) {
    if (!data.empty())
        return {status::lengthError, {}};
    const Application *app = selectedApp();
    if (!app)
        return {status::permissionDenied, {}};
    const bool freeListing = app->keySettings & 0x02;
    if (!freeListing && !applicationMasterAuthenticated())
        return {status::authenticationError, {}};
    Bytes numbers;
    for (const auto &file : app->files)
        numbers.push_back(file.first);
    return {status::ok, numbers};
}

DesfireCard::Answer DesfireCard::createStdDataFile(const Bytes &data) {
    if (data.size() != 7)
        return {status::lengthError, {}};
    Application *app = selectedApp();
    if (!app)
        return {status::permissionDenied, {}};
    const bool freeCreate = app->keySettings & 0x04;
    if (!freeCreate && !applicationMasterAuthenticated())
        return {status::authenticationError, {}};
    const std::uint8_t number = data[0];
    StdDataFile file;
    file.communication = data[1];
    file.accessRights = static_cast<std::uint16_t>(data[2] | data[3] << 8);
    const std::size_t size = threeByteValue(data, 4);
    const bool knownCommunication =
        file.communication == 0x00 || file.communication == 0x01 || file.communication == 0x03;
    if (number > maxFileNumber || !knownCommunication)
        return {status::parameterError, {}};
    if (app->files.count(number))
        return {status::duplicateError, {}};
    if (memory::fileCost(size) > picc_.freeMemory())
        return {status::outOfMemory, {}};
    file.data.assign(size, 0x00);
    app->files[number] = std::move(file);
    return {status::ok, {}};
}

// Data take effect frame by frame, as on a standard data file of a real card: a chain
// that breaks off leaves what was already sent in the file.
DesfireCard::Answer DesfireCard::writeData(const Bytes &data) {
    if (data.size() < 7)
        return {status::lengthError, {}};
    std::uint8_t refusal = status::ok;
    const StdDataFile *file = accessibleFile(data, &StdDataFile::writeKey, &refusal);
    if (!file)
        return {refusal, {}};
    const std::size_t offset = threeByteValue(data, 1);
    const std::size_t length = threeByteValue(data, 4);
    if (offset + length > file->data.size())
        return {status::boundaryError, {}};
    if (length == 0)
        return {status::lengthError, {}};
    chain_.kind = Chain::Write;
    chain_.file = data[0];
    chain_.offset = offset;
    chain_.remaining = length;
    return continueWrite(Bytes(data.begin() + 7, data.end()));
}

DesfireCard::Answer DesfireCard::continueWrite(const Bytes &data) {
    if (data.size() > chain_.remaining) {
        chain_ = Chain{};
        return {status::lengthError, {}};
    }
    Bytes &contents = selectedApp()->files.at(chain_.file).data;
    std::copy(data.begin(), data.end(), contents.begin() + static_cast<long>(chain_.offset));
    chain_.offset += data.size();
    chain_.remaining -= data.size();
    if (chain_.remaining > 0)
        return {status::additionalFrame, {}};
    chain_ = Chain{};
    return {status::ok, {}};
}

DesfireCard::Answer DesfireCard::readData(const Bytes &data) {
    if (data.size() != 7)
        return {status::lengthError, {}};
    std::uint8_t refusal = status::ok;
    const StdDataFile *file = accessibleFile(data, &StdDataFile::readKey, &refusal);
    if (!file)
        return {refusal, {}};
    const std::size_t offset = threeByteValue(data, 1);
    std::size_t length = threeByteValue(data, 4);
    if (length == 0) {
        if (offset >= file->data.size())
            return {status::boundaryError, {}};
        length = file->data.size() - offset; // to the end of the file
    }
    if (offset + length > file->data.size())
        return {status::boundaryError, {}};
    std::vector<Bytes> frames;
    for (std::size_t at = offset; at < offset + length; at += maxFrameData) {
        const std::size_t end = std::min(at + maxFrameData, offset + length);
        frames.emplace_back(file->data.begin() + static_cast<long>(at),
                            file->data.begin() + static_cast<long>(end));
    }
    return answerInFrames(std::move(frames));
}

std::optional<Bytes> DesfireCard::fileContents(const Aid &aid, std::uint8_t file) const {
    const Application *app = picc_.find(aid);
    if (!app || !app->files.count(file))
        return std::nullopt;
    return app->files.at(file).data;
}

std::optional<std::size_t> DesfireCard::fileSize(const Aid &aid, std::uint8_t file) const {
    const std::optional<Bytes> contents = fileContents(aid, file);
    return contents ? std::optional<std::size_t>(contents->size()) : std::nullopt;
}

const StdDataFile *DesfireCard::accessibleFile(const Bytes &data,
                                               std::uint8_t (StdDataFile::*keyOf)() const,
                                               std::uint8_t *refusal) {
    const Application *app = selectedApp();
    if (!app) {
        *refusal = status::permissionDenied;
        return nullptr;
    }
    const auto found = app->files.find(data[0]);
    if (found == app->files.end()) {
        *refusal = status::fileNotFound;
        return nullptr;
    }
    const StdDataFile &file = found->second;
    if (!mayAccess((file.*keyOf)(), file.readWriteKey())) {
        *refusal = status::permissionDenied;
        return nullptr;
    }
    return &file;
}

} // namespace vcard

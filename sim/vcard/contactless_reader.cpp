#include "contactless_reader.h"

namespace vcard::reader {

namespace {
constexpr std::uint8_t getDataInstruction = 0xCA;
constexpr std::uint8_t uidData = 0x00;
constexpr std::size_t headerSize = 4;
} // namespace

Bytes sw::wrongLe(std::uint8_t right) {
    return {0x6C, right};
}

std::optional<Apdu> parseApdu(const Bytes &bytes) {
    if (bytes.size() < headerSize)
        return std::nullopt;
    Apdu apdu{bytes[0], bytes[1], bytes[2], bytes[3], {}, std::nullopt};
    if (bytes.size() == headerSize)
        return apdu;
    if (bytes.size() == headerSize + 1) {
        apdu.le = bytes[headerSize];
        return apdu;
    }
    const std::size_t lc = bytes[headerSize];
    const std::size_t dataEnd = headerSize + 1 + lc;
    if (lc == 0 || (bytes.size() != dataEnd && bytes.size() != dataEnd + 1))
        return std::nullopt;
    apdu.data.assign(bytes.begin() + headerSize + 1, bytes.begin() + long(dataEnd));
    if (bytes.size() == dataEnd + 1)
        apdu.le = bytes.back();
    return apdu;
}

std::optional<Bytes> answerGetData(const Bytes &bytes, const Bytes &uid) {
    if (bytes.size() < 2 || bytes[0] != pseudoClass || bytes[1] != getDataInstruction)
        return std::nullopt;
    const std::optional<Apdu> apdu = parseApdu(bytes);
    if (!apdu || !apdu->data.empty() || !apdu->le)
        return sw::wrongLength;
    if (apdu->p1 != uidData || apdu->p2 != 0x00)
        return sw::notSupported;
    if (*apdu->le != 0x00 && *apdu->le != uid.size())
        return sw::wrongLe(std::uint8_t(uid.size()));
    Bytes answer = uid;
    answer.insert(answer.end(), sw::ok.begin(), sw::ok.end());
    return answer;
}

} // namespace vcard::reader

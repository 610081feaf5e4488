#include "desfire_reader.h"

#include "hex.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace desfirereader {

namespace {

Block runTwoKeyTripleDes(const DesKey &key, const Block &block, bool encrypt) {
    // K1 = K2 makes EDE a single DES.
    unsigned char doubleKey[16];
    std::copy(key.begin(), key.end(), doubleKey);
    std::copy(key.begin(), key.end(), doubleKey + 8);
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    Block out{};
    int written = 0;
    const bool done = context &&
                      EVP_CipherInit_ex(context, EVP_des_ede_ecb(), nullptr, doubleKey, nullptr,
                                        encrypt ? 1 : 0) == 1 &&
                      EVP_CIPHER_CTX_set_padding(context, 0) == 1 &&
                      EVP_CipherUpdate(context, out.data(), &written, block.data(),
                                       static_cast<int>(block.size())) == 1 &&
                      written == static_cast<int>(block.size());
    EVP_CIPHER_CTX_free(context);
    if (!done)
        throw std::runtime_error("EVP two-key triple DES failed");
    return out;
}

Block xorOf(const Block &a, const Block &b) {
    Block out;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = a[i] ^ b[i];
    return out;
}

Block rotated(const Block &b) {
    return {b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[0]};
}

} // namespace

Bytes wrap(std::uint8_t command, const Bytes &data) {
    Bytes apdu{0x90, command, 0x00, 0x00};
    if (!data.empty()) {
        apdu.push_back(static_cast<std::uint8_t>(data.size()));
        apdu.insert(apdu.end(), data.begin(), data.end());
    }
    apdu.push_back(0x00);
    return apdu;
}

Bytes aidBytes(const Aid &aid) {
    return Bytes(aid.begin(), aid.end());
}

int nativeStatus(const Bytes &answer) {
    if (answer.size() < 2 || answer[answer.size() - 2] != 0x91)
        return -1;
    return answer.back();
}

Bytes answerData(const Bytes &answer) {
    return answer.size() < 2 ? Bytes{} : Bytes(answer.begin(), answer.end() - 2);
}

Block decipher(const DesKey &key, const Block &block) {
    return runTwoKeyTripleDes(key, block, false);
}

Block encipher(const DesKey &key, const Block &block) {
    return runTwoKeyTripleDes(key, block, true);
}

Authentication authenticate(vcard::DesfireCard &card, std::uint8_t keyNumber, const DesKey &key,
                            bool swapDirections) {
    const auto send = swapDirections ? encipher : decipher;
    Authentication result;
    const Bytes first = card.execute(wrap(0x0A, {keyNumber}));
    result.firstStatus = nativeStatus(first);
    if (result.firstStatus != 0xAF || first.size() != 10)
        return result;
    Block encRndB;
    std::copy_n(first.begin(), 8, encRndB.begin());
    const Block rndB = send(key, encRndB);
    const Block d1 = send(key, fixedRndA);
    const Block d2 = send(key, xorOf(d1, rotated(rndB)));
    Bytes frame(d1.begin(), d1.end());
    frame.insert(frame.end(), d2.begin(), d2.end());
    const Bytes second = card.execute(wrap(0xAF, frame));
    result.secondStatus = nativeStatus(second);
    if (result.secondStatus == 0x00 && second.size() == 10) {
        Block proof;
        std::copy_n(second.begin(), 8, proof.begin());
        result.cardProven = send(key, proof) == rotated(fixedRndA);
    }
    return result;
}

int run(vcard::DesfireCard &card, std::uint8_t command, const Bytes &data) {
    return nativeStatus(card.execute(wrap(command, data)));
}

std::vector<int> runAll(vcard::DesfireCard &card, const std::vector<Bytes> &apdus) {
    std::vector<int> statuses;
    for (const Bytes &apdu : apdus)
        statuses.push_back(nativeStatus(card.execute(apdu)));
    return statuses;
}

vcard::DesfireOptions withTestApplication(std::vector<vcard::DesfireFileSpec> files) {
    vcard::DesfireOptions options;
    vcard::DesfireApplicationSpec app;
    app.aid = testAid;
    app.files = std::move(files);
    options.applications.push_back(app);
    return options;
}

namespace {
const Bytes firstChunk = vcard::fromHex(
    "2A BB 9A AC ED 1B 6B C4 15 82 1F FD E1 41 A1 BA 67 F8 DC 25 13 E2 12 2F 20 A5 3D 34 1A "
    "1F 9E 87 CC 88 A1 68 68 40 10 BE D0 EC 9F 1B 13 75 53");
const Bytes middleChunk = vcard::fromHex(
    "21 C4 21 24 04 7D C7 F4 E5 FC 91 5C DC B6 81 20 72 BC BB 98 99 1E 73 95 75 BD 24 BB 60 "
    "07 1C 25 F2 C9 FB ED 4F CE 41 5C 36 96 EF DC E7 D0 43 65 CA BE 2B 11 AF");
const Bytes lastChunk = vcard::fromHex("10 DD 18 74 88 45 2A 6F 5A 8C E8 3B 77 3B C1 A4 75 19 "
                                       "00 B1 9B 7F 63 AE 3E F4 A1 A2 A3 A4 A5 A6 A7");
constexpr int middleFrames = 140;
} // namespace

Bytes stressPattern() {
    Bytes pattern = firstChunk;
    for (int i = 0; i < middleFrames; ++i)
        pattern.insert(pattern.end(), middleChunk.begin(), middleChunk.end());
    pattern.insert(pattern.end(), lastChunk.begin(), lastChunk.end());
    return pattern;
}

std::vector<Bytes> stressWriteFrames() {
    Bytes first = vcard::fromHex("02 000000 4C1D00");
    first.insert(first.end(), firstChunk.begin(), firstChunk.end());
    std::vector<Bytes> frames{wrap(0x3D, first)};
    for (int i = 0; i < middleFrames; ++i)
        frames.push_back(wrap(0xAF, middleChunk));
    frames.push_back(wrap(0xAF, lastChunk));
    return frames;
}

} // namespace desfirereader

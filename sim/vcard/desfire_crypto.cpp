#include "desfire_crypto.h"

#include <algorithm>
#include <iterator>

// OpenSSL 3 marks the DES_* calls deprecated; the legacy DESFire authentication needs
// nothing more than single-block DES, so they stay.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/des.h>

namespace vcard::desfire {

namespace {

Block runDes(const DesKey &key, const Block &block, int direction) {
    DES_cblock keyBlock;
    std::copy(key.begin(), key.end(), keyBlock);
    DES_key_schedule schedule;
    // Unchecked: the parity bits carry the key version, and weak keys (the all-zero
    // factory key among them) are what cards really hold.
    DES_set_key_unchecked(&keyBlock, &schedule);
    DES_cblock in, out;
    std::copy(block.begin(), block.end(), in);
    DES_ecb_encrypt(&in, &out, &schedule, direction);
    Block result;
    std::copy(std::begin(out), std::end(out), result.begin());
    return result;
}

} // namespace

Block desEncipher(const DesKey &key, const Block &block) {
    return runDes(key, block, DES_ENCRYPT);
}

Block desDecipher(const DesKey &key, const Block &block) {
    return runDes(key, block, DES_DECRYPT);
}

Block rotateLeft(const Block &block) {
    Block rotated;
    for (std::size_t i = 0; i < block.size(); ++i)
        rotated[i] = block[(i + 1) % block.size()];
    return rotated;
}

Block xorBlocks(const Block &a, const Block &b) {
    Block result;
    for (std::size_t i = 0; i < a.size(); ++i)
        result[i] = a[i] ^ b[i];
    return result;
}

} // namespace vcard::desfire

#pragma GCC diagnostic pop

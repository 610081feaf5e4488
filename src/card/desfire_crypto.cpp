#include "desfire_crypto.h"

#include <algorithm>

// DES_set_key and DES_ncbc_encrypt are deprecated in OpenSSL 3 but remain the calls
// this code is built on.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/des.h>

namespace desfire {

namespace {

DesBlock decipher(DES_key_schedule &schedule, const DesBlock &block) {
    // A fresh zero IV per block turns CBC into a single-block decipherment.
    DES_cblock iv{};
    DesBlock plain{};
    DES_ncbc_encrypt(block.data(), plain.data(), long(block.size()), &schedule, &iv, DES_DECRYPT);
    return plain;
}

} // namespace

AuthenticationCryptograms authenticationCryptograms(const DesBlock &key, const DesBlock &rndA,
                                                    const DesBlock &encipheredRndB) {
    DES_cblock keyBlock;
    std::copy(key.begin(), key.end(), keyBlock);
    DES_key_schedule schedule;
    DES_set_key(&keyBlock, &schedule);

    const DesBlock rndB = decipher(schedule, encipheredRndB);
    DesBlock rotatedRndB = rndB;
    std::rotate(rotatedRndB.begin(), rotatedRndB.begin() + 1, rotatedRndB.end());

    AuthenticationCryptograms result;
    result.d1 = decipher(schedule, rndA);
    DesBlock chained;
    for (std::size_t i = 0; i < chained.size(); ++i)
        chained[i] = result.d1[i] ^ rotatedRndB[i];
    result.d2 = decipher(schedule, chained);
    return result;
}

} // namespace desfire

#pragma GCC diagnostic pop

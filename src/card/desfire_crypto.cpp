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

DES_key_schedule scheduleOf(const DesBlock &key) {
    DES_cblock keyBlock;
    std::copy(key.begin(), key.end(), keyBlock);
    DES_key_schedule schedule;
    DES_set_key(&keyBlock, &schedule);
    return schedule;
}

DesBlock rotatedLeft(DesBlock block) {
    std::rotate(block.begin(), block.begin() + 1, block.end());
    return block;
}

} // namespace

AuthenticationCryptograms authenticationCryptograms(const DesBlock &key, const DesBlock &rndA,
                                                    const DesBlock &encipheredRndB) {
    DES_key_schedule schedule = scheduleOf(key);
    const DesBlock rotatedRndB = rotatedLeft(decipher(schedule, encipheredRndB));

    AuthenticationCryptograms result;
    result.d1 = decipher(schedule, rndA);
    DesBlock chained;
    for (std::size_t i = 0; i < chained.size(); ++i)
        chained[i] = result.d1[i] ^ rotatedRndB[i];
    result.d2 = decipher(schedule, chained);
    return result;
}

bool provesKey(const DesBlock &key, const DesBlock &rndA, const DesBlock &cardCryptogram) {
    DES_key_schedule schedule = scheduleOf(key);
    return decipher(schedule, cardCryptogram) == rotatedLeft(rndA);
}

} // namespace desfire

#pragma GCC diagnostic pop

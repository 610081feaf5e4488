#include "iso_card.h"

#include <random>

namespace vcard {

namespace atrs {
const Bytes t0Only{0x3B, 0x02, 0x14, 0x50};
const Bytes t1Only{0x3B, 0xF8, 0x13, 0x00, 0x00, 0x81, 0x31, 0xFE, 0x15,
                   0x59, 0x75, 0x62, 0x69, 0x6B, 0x65, 0x79, 0x34, 0xD4};
const Bytes desfireEv1{0x3B, 0x81, 0x80, 0x01, 0x80, 0x80};
} // namespace atrs

namespace {
const Bytes swOk{0x90, 0x00};
Bytes withStatus(Bytes data, std::uint8_t sw1, std::uint8_t sw2) {
    data.push_back(sw1);
    data.push_back(sw2);
    return data;
}
} // namespace

IsoCard::IsoCard(Bytes atr, Bytes aid) : atr_(std::move(atr)), aid_(std::move(aid)) {}

Bytes IsoCard::execute(const Bytes &apdu) {
    if (apdu.size() < 4)
        return {0x67, 0x00};
    const std::uint8_t cla = apdu[0], ins = apdu[1], p1 = apdu[2], p2 = apdu[3];

    if (cla == 0x00 && ins == 0xA4 && p1 == 0x04) {
        if (apdu.size() < 5 || apdu.size() < 5u + apdu[4])
            return {0x67, 0x00};
        const Bytes name(apdu.begin() + 5, apdu.begin() + 5 + apdu[4]);
        return name == aid_ ? swOk : Bytes{0x6A, 0x82};
    }
    if (cla == 0x00 && ins == 0x84) {
        const std::size_t count = apdu.size() > 4 && apdu[4] != 0 ? apdu[4] : 8;
        static std::mt19937 random{std::random_device{}()};
        Bytes challenge(count);
        for (auto &b : challenge)
            b = static_cast<std::uint8_t>(random());
        return withStatus(challenge, 0x90, 0x00);
    }
    if (cla == 0x80 && ins == 0x10) {
        Bytes data(static_cast<std::size_t>(p1 << 8 | p2));
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<std::uint8_t>(i);
        return withStatus(data, 0x90, 0x00);
    }
    if (cla != 0x00 && cla != 0x80)
        return {0x6E, 0x00};
    return {0x6D, 0x00};
}

} // namespace vcard

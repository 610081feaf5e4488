#include "mifare_access.h"

namespace vcard::mifare {

namespace {

// The four bits of Cn, bit b for group b.
std::uint8_t bitsOf(const Conditions &conditions, int shift) {
    std::uint8_t bits = 0;
    for (int group = 0; group < 4; ++group)
        bits |= ((conditions[group] >> shift) & 1) << group;
    return bits;
}

constexpr int c1Shift = 2, c2Shift = 1, c3Shift = 0;

constexpr Keys never{false, false};
constexpr Keys keyA{true, false};
constexpr Keys keyB{false, true};
constexpr Keys either{true, true};

// Indexed by C1 C2 C3 read as a number.
constexpr DataRights dataTable[8] = {
    {either, either}, // 000
    {either, never},  // 001
    {either, never},  // 010
    {keyB, keyB},     // 011
    {either, keyB},   // 100
    {keyB, never},    // 101
    {either, keyB},   // 110
    {never, never},   // 111
};

constexpr TrailerRights trailerTable[8] = {
    // key A write, bits read, bits write, key B read, key B write
    {keyA, keyA, never, keyA, keyA},      // 000
    {keyA, keyA, keyA, keyA, keyA},       // 001
    {never, keyA, never, keyA, never},    // 010
    {keyB, either, keyB, never, keyB},    // 011
    {keyB, either, never, never, keyB},   // 100
    {never, either, keyB, never, never},  // 101
    {never, either, never, never, never}, // 110
    {never, either, never, never, never}, // 111
};

} // namespace

AccessBytes encodeAccess(const Conditions &conditions) {
    const std::uint8_t c1 = bitsOf(conditions, c1Shift);
    const std::uint8_t c2 = bitsOf(conditions, c2Shift);
    const std::uint8_t c3 = bitsOf(conditions, c3Shift);
    const auto inverse = [](std::uint8_t bits) { return std::uint8_t(~bits & 0x0F); };
    return {std::uint8_t(inverse(c2) << 4 | inverse(c1)), std::uint8_t(c1 << 4 | inverse(c3)),
            std::uint8_t(c3 << 4 | c2)};
}

std::optional<Conditions> decodeAccess(const AccessBytes &bytes) {
    const std::uint8_t c1 = bytes[1] >> 4, c2 = bytes[2] & 0x0F, c3 = bytes[2] >> 4;
    const std::uint8_t notC1 = bytes[0] & 0x0F, notC2 = bytes[0] >> 4, notC3 = bytes[1] & 0x0F;
    if ((c1 ^ notC1) != 0x0F || (c2 ^ notC2) != 0x0F || (c3 ^ notC3) != 0x0F)
        return std::nullopt;
    Conditions conditions{};
    for (int group = 0; group < 4; ++group)
        conditions[group] =
            Condition(((c1 >> group) & 1) << c1Shift | ((c2 >> group) & 1) << c2Shift |
                      ((c3 >> group) & 1) << c3Shift);
    return conditions;
}

DataRights dataRights(Condition condition) {
    return dataTable[condition & 7];
}

TrailerRights trailerRights(Condition trailerCondition) {
    return trailerTable[trailerCondition & 7];
}

bool keyBIsData(Condition trailerCondition) {
    return trailerRights(trailerCondition).keyBRead.a;
}

} // namespace vcard::mifare

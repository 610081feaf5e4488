#include "storage_card_atr.h"

namespace storagecard {

namespace {

constexpr char directConvention = char(0x3B);
constexpr quint8 onlyTd1Follows = 0x80; // T0's high nibble; the low one counts history
constexpr char td1 = char(0x80);        // T=0, TD2 follows
constexpr char td2 = char(0x01);        // T=1
constexpr int historicalStart = 4;

constexpr char categoryIndicator = char(0x80);
constexpr char applicationIdentifierTag = char(0x4F);
const QByteArray pcscWorkgroupRid = QByteArray::fromHex("A000000306");
constexpr char iso14443aPart3 = char(0x03);
// Length, RID, standard and the two bytes of the card name.
constexpr int applicationIdentifierMinimum = 5 + 1 + 2;
constexpr quint16 classic1KName = 0x0001;
constexpr quint16 classic4KName = 0x0002;
constexpr quint16 miniName = 0x0026;

// The historical bytes of a well-formed contactless ATR.
std::optional<QByteArray> contactlessHistoricalBytes(const QByteArray &atr) {
    if (atr.size() < historicalStart || atr[0] != directConvention ||
        (quint8(atr[1]) & 0xF0) != onlyTd1Follows || atr[2] != td1 || atr[3] != td2)
        return std::nullopt;
    const int historicalCount = quint8(atr[1]) & 0x0F;
    if (atr.size() != historicalStart + historicalCount + 1)
        return std::nullopt;
    char check = 0;
    for (int i = 1; i < atr.size(); ++i)
        check ^= atr[i];
    if (check != 0)
        return std::nullopt; // TCK makes T0 to TCK add up to zero
    return atr.mid(historicalStart, historicalCount);
}

} // namespace

bool isContactlessAtr(const QByteArray &atr) {
    return contactlessHistoricalBytes(atr).has_value();
}

std::optional<mifare::ClassicType> classicTypeOfAtr(const QByteArray &atr) {
    const std::optional<QByteArray> historical = contactlessHistoricalBytes(atr);
    if (!historical || historical->size() < 3 || historical->at(0) != categoryIndicator ||
        historical->at(1) != applicationIdentifierTag)
        return std::nullopt;
    const int length = quint8(historical->at(2));
    const QByteArray identifier = historical->mid(3);
    if (length < applicationIdentifierMinimum || identifier.size() != length ||
        !identifier.startsWith(pcscWorkgroupRid) || identifier[5] != iso14443aPart3)
        return std::nullopt;
    const quint16 cardName = quint16(quint8(identifier[6]) << 8 | quint8(identifier[7]));
    switch (cardName) {
    case classic1KName:
        return mifare::ClassicType::Classic1K;
    case classic4KName:
        return mifare::ClassicType::Classic4K;
    case miniName:
        return mifare::ClassicType::Mini;
    default:
        return std::nullopt;
    }
}

} // namespace storagecard

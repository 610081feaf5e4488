#include "card_factory.h"

#include "desfire_card.h"
#include "iso_card.h"
#include "mifare_classic_card.h"

namespace vcard {

std::optional<mifare::CardType> mifareCardType(const std::string &kind) {
    if (kind == "mifare-mini")
        return mifare::CardType::Mini;
    if (kind == "mifare-1k")
        return mifare::CardType::Classic1K;
    if (kind == "mifare-4k")
        return mifare::CardType::Classic4K;
    return std::nullopt;
}

std::shared_ptr<VirtualCard> makeCard(const std::string &kind) {
    if (kind == "desfire")
        return std::make_shared<DesfireCard>();
    if (kind == "iso")
        return std::make_shared<IsoCard>(atrs::desfireEv1);
    if (kind == "iso-t0")
        return std::make_shared<IsoCard>(atrs::t0Only);
    if (kind == "iso-t1")
        return std::make_shared<IsoCard>(atrs::t1Only);
    if (const std::optional<mifare::CardType> type = mifareCardType(kind)) {
        MifareOptions options;
        options.type = *type;
        return std::make_shared<MifareClassicCard>(options);
    }
    return nullptr;
}

} // namespace vcard

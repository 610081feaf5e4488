#include "card_factory.h"

#include "desfire_card.h"
#include "iso_card.h"

namespace vcard {

std::shared_ptr<VirtualCard> makeCard(const std::string &kind) {
    if (kind == "desfire")
        return std::make_shared<DesfireCard>();
    if (kind == "iso")
        return std::make_shared<IsoCard>(atrs::desfireEv1);
    if (kind == "iso-t0")
        return std::make_shared<IsoCard>(atrs::t0Only);
    if (kind == "iso-t1")
        return std::make_shared<IsoCard>(atrs::t1Only);
    return nullptr;
}

} // namespace vcard

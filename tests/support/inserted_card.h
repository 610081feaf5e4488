#pragma once

#include "desfire_card.h"
#include "vpcd_link.h"

#include <memory>
#include <vector>

// A virtual DESFire card in the contact reader ("Virtual PCD 00 00") for the length of
// a test. When destroyed it leaves the reader, and PC/SC has seen it go.
struct InsertedCard {
    explicit InsertedCard(vcard::DesfireOptions options = {});
    ~InsertedCard();

    // True once PC/SC sees the card in the reader.
    bool insert();
    std::vector<vcard::DesfireExchange> commandLog();
    size_t applicationCount();

    std::shared_ptr<vcard::DesfireCard> card;
    vcard::VpcdLink link;
};

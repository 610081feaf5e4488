#include "inserted_card.h"

#include "pcsc_test_support.h"

namespace {
constexpr int contactSlot = 0;
}

InsertedCard::InsertedCard(vcard::DesfireOptions options)
    : card(std::make_shared<vcard::DesfireCard>(std::move(options))), link(card) {}

InsertedCard::~InsertedCard() {
    link.remove();
    testsupport::waitForCard(testsupport::contactReader, false);
}

bool InsertedCard::insert() {
    return link.insert(contactSlot) && testsupport::waitForCard(testsupport::contactReader, true);
}

std::vector<vcard::DesfireExchange> InsertedCard::commandLog() {
    std::vector<vcard::DesfireExchange> log;
    link.withCard([&](vcard::VirtualCard &) { log = card->commandLog(); });
    return log;
}

size_t InsertedCard::applicationCount() {
    size_t count = 0;
    link.withCard([&](vcard::VirtualCard &) { count = card->applicationIds().size(); });
    return count;
}

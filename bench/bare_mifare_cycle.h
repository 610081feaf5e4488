#pragma once

#include <QList>

class BareCard;

// The commands of the MIFARE Classic test in its order, straight through PC/SC on a
// bare connection: the UID, the transport key, then for every sector its
// authentication and, for every data block, read, write of the complement, read back,
// write back, read back. The floor that the test is held against.
class BareMifareCycle {
public:
    explicit BareMifareCycle(BareCard &card) : card_(card) {}

    // True when every command answered 90 00 and every read back matched.
    bool run(const QList<int> &sectors);
    int commands() const { return commands_; }

private:
    QByteArray expectOk(const QByteArray &command);

    BareCard &card_;
    bool allAsExpected_ = true;
    int commands_ = 0;
};

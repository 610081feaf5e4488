#pragma once

#include <QByteArray>

class BareCard;

// The frames of the DESFire exercise in its order, straight through PC/SC on a bare
// connection, each with the status it must get, and a real DES authentication before
// the delete and the format: the floor that the exercise is held against.
class BareDesfireCycle {
public:
    explicit BareDesfireCycle(BareCard &card) : card_(card) {}

    // True when every answer had its expected status, the final format included.
    bool run();

private:
    QByteArray expect(const QByteArray &command, quint8 status);
    // Legacy DES authentication with key 0 and the factory key, as the exercise does it.
    void authenticate();

    BareCard &card_;
    bool allAsExpected_ = true;
};

// Whether an answer ends in the status word sw1 sw2.
bool endsWith(const QByteArray &answer, quint8 sw1, quint8 sw2);

#pragma once

#include <QByteArray>
#include <QString>

// "%1:%2" of two status bytes: b1 in lower-case hex without padding, b2 with two
// digits, so 91 00 gives "91:00" and 09 00 gives "9:00". Callers compare it with
// "91:00".
QString statusWordText(quint8 b1, quint8 b2);

struct StatusWord {
    quint8 sw1 = 0;
    quint8 sw2 = 0;
};

// The status word closing an answer: its last two bytes. An answer too short to hold
// one gives 00 00, which no caller takes for success.
StatusWord statusWordOf(const QByteArray &answer);

QString statusWordText(StatusWord word);

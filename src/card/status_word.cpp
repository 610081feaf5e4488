#include "status_word.h"

QString statusWordText(quint8 b1, quint8 b2) {
    return QStringLiteral("%1:%2").arg(uint(b1), 0, 16).arg(uint(b2), 2, 16, QLatin1Char('0'));
}

StatusWord statusWordOf(const QByteArray &answer) {
    const int size = answer.size();
    if (size < 2)
        return {};
    return {quint8(answer[size - 2]), quint8(answer[size - 1])};
}

QString statusWordText(StatusWord word) {
    return statusWordText(word.sw1, word.sw2);
}

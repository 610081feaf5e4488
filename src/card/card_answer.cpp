#include "card_answer.h"

#include "pcsc/pcsc_names.h"

QString CardAnswer::text() const {
    if (!transmitted())
        return pcscCodeName(result);
    if (withoutStatus)
        return QStringLiteral("no status word");
    return QStringLiteral("%1 %2")
        .arg(uint(status.sw1), 2, 16, QLatin1Char('0'))
        .arg(uint(status.sw2), 2, 16, QLatin1Char('0'))
        .toUpper();
}

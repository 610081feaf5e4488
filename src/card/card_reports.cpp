#include "card_reports.h"

#include <cstdio>

void CardReports::reportConsoleLine(const QString &line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

#include "card_state.h"

#include <PCSC/pcsclite.h>

const char *cardStateLine(DWORD state) {
    static const struct {
        DWORD flag;
        const char *line;
    } states[] = {
        {SCARD_SPECIFIC, "Card has specific communication protocols set."},
        {SCARD_NEGOTIABLE, "Card reset and waiting PTS negotiation."},
        {SCARD_POWERED, "Card has power."},
        {SCARD_SWALLOWED, "Card swallowed."},
        {SCARD_PRESENT, "Card present."},
        {SCARD_ABSENT, "Card absent."},
    };
    for (const auto &candidate : states) {
        if (state & candidate.flag)
            return candidate.line;
    }
    return "Unknown or unexpected card state.";
}

#include "probe_commands.h"

namespace prober {

namespace {

const Bytes selectPiv{0x00, 0xA4, 0x04, 0x00, 0x09, 0xA0, 0x00, 0x00,
                      0x03, 0x08, 0x00, 0x00, 0x10, 0x00, 0x00};
const Bytes selectOpenPgp{0x00, 0xA4, 0x04, 0x00, 0x06, 0xD2, 0x76, 0x00, 0x01, 0x24, 0x01, 0x00};
const Bytes selectMasterFile{0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00};
const Bytes getVersion{0x90, 0x60, 0x00, 0x00, 0x00};
const Bytes getApplicationIds{0x90, 0x6A, 0x00, 0x00, 0x00};
const Bytes additionalFrame{0x90, 0xAF, 0x00, 0x00, 0x00};

bool moreFrames(const Bytes &answer) {
    return answer.size() >= 2 && answer[answer.size() - 2] == 0x91 && answer.back() == 0xAF;
}

Bytes send(SCARDHANDLE card, DWORD protocol, const Bytes &command, Counts &counts) {
    const SCARD_IO_REQUEST *pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    std::uint8_t answer[258];
    DWORD length = sizeof answer;
    ++counts.commands;
    if (SCardTransmit(card, pci, command.data(), DWORD(command.size()), nullptr, answer, &length) !=
        SCARD_S_SUCCESS)
        return {};
    ++counts.answered;
    return Bytes(answer, answer + length);
}

// Follows the card's 91 AF with 90 AF, frame after frame; stopped short when asked.
void sendChained(SCARDHANDLE card, DWORD protocol, const Bytes &command, bool stopShort,
                 Counts &counts) {
    Bytes answer = send(card, protocol, command, counts);
    if (stopShort && moreFrames(answer)) {
        ++counts.unfinished;
        return;
    }
    for (int frame = 0; frame < 8 && moreFrames(answer); ++frame)
        answer = send(card, protocol, additionalFrame, counts);
}

} // namespace

void sendProbes(SCARDHANDLE card, DWORD protocol, std::mt19937 &random, Counts &counts) {
    const int probes = std::uniform_int_distribution<int>(1, 3)(random);
    for (int i = 0; i < probes; ++i) {
        switch (std::uniform_int_distribution<int>(0, 4)(random)) {
        case 0:
            send(card, protocol, selectPiv, counts);
            break;
        case 1:
            send(card, protocol, selectOpenPgp, counts);
            break;
        case 2:
            send(card, protocol, selectMasterFile, counts);
            break;
        case 3:
            sendChained(card, protocol, getVersion, random() % 4 == 0, counts);
            break;
        default:
            sendChained(card, protocol, getApplicationIds, false, counts);
            break;
        }
    }
}

} // namespace prober

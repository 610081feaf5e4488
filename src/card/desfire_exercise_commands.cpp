#include "desfire_exercise_commands.h"

#include "card/desfire_command.h"

namespace desfire::exercise {

namespace {

enum NativeCommand : quint8 {
    createApplicationCode = 0xCA,
    selectApplicationCode = 0x5A,
    createStdDataFileCode = 0xCD,
    writeDataCode = 0x3D,
    deleteApplicationCode = 0xDA,
    formatPiccCode = 0xFC,
};

const quint8 firstChunk[] = {0x2A, 0xBB, 0x9A, 0xAC, 0xED, 0x1B, 0x6B, 0xC4, 0x15, 0x82, 0x1F, 0xFD,
                             0xE1, 0x41, 0xA1, 0xBA, 0x67, 0xF8, 0xDC, 0x25, 0x13, 0xE2, 0x12, 0x2F,
                             0x20, 0xA5, 0x3D, 0x34, 0x1A, 0x1F, 0x9E, 0x87, 0xCC, 0x88, 0xA1, 0x68,
                             0x68, 0x40, 0x10, 0xBE, 0xD0, 0xEC, 0x9F, 0x1B, 0x13, 0x75, 0x53};
const quint8 middleChunk[] = {0x21, 0xC4, 0x21, 0x24, 0x04, 0x7D, 0xC7, 0xF4, 0xE5, 0xFC, 0x91,
                              0x5C, 0xDC, 0xB6, 0x81, 0x20, 0x72, 0xBC, 0xBB, 0x98, 0x99, 0x1E,
                              0x73, 0x95, 0x75, 0xBD, 0x24, 0xBB, 0x60, 0x07, 0x1C, 0x25, 0xF2,
                              0xC9, 0xFB, 0xED, 0x4F, 0xCE, 0x41, 0x5C, 0x36, 0x96, 0xEF, 0xDC,
                              0xE7, 0xD0, 0x43, 0x65, 0xCA, 0xBE, 0x2B, 0x11, 0xAF};
const quint8 lastChunk[] = {0x10, 0xDD, 0x18, 0x74, 0x88, 0x45, 0x2A, 0x6F, 0x5A, 0x8C, 0xE8,
                            0x3B, 0x77, 0x3B, 0xC1, 0xA4, 0x75, 0x19, 0x00, 0xB1, 0x9B, 0x7F,
                            0x63, 0xAE, 0x3E, 0xF4, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
static_assert(sizeof firstChunk == firstChunkSize);
static_assert(sizeof middleChunk == middleChunkSize);
static_assert(sizeof lastChunk == lastChunkSize);

template <std::size_t N> QByteArray bytes(const quint8 (&chunk)[N]) {
    return QByteArray(reinterpret_cast<const char *>(chunk), int(N));
}

// DESFire numbers travel least significant byte first.
QByteArray littleEndian(quint32 value, int width) {
    QByteArray out;
    for (int i = 0; i < width; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray applicationId() {
    return littleEndian(testApplicationId, 3);
}

Commands build() {
    Commands c;
    c.createApplication = wrapNative(createApplicationCode,
                                     applicationId() + char(testKeySettings) + char(testKeyCount));
    c.selectApplication = wrapNative(selectApplicationCode, applicationId());
    c.createFile =
        wrapNative(createStdDataFileCode,
                   char(testFileNumber) + QByteArray(1, char(plainCommunication)) +
                       littleEndian(testFileAccessRights, 2) + littleEndian(testFileSize, 3));
    const quint32 offset = 0;
    c.writeFirstFrame =
        wrapNative(writeDataCode, char(testFileNumber) + littleEndian(offset, 3) +
                                      littleEndian(testFileSize, 3) + bytes(firstChunk));
    c.writeMiddleFrame = wrapNative(additionalFrame, bytes(middleChunk));
    c.writeLastFrame = wrapNative(additionalFrame, bytes(lastChunk));
    c.deleteApplication = wrapNative(deleteApplicationCode, applicationId());
    c.formatCard = wrapNative(formatPiccCode);
    return c;
}

} // namespace

QByteArray testPattern() {
    return bytes(firstChunk) + bytes(middleChunk).repeated(middleFrameCount) + bytes(lastChunk);
}

const Commands &commands() {
    static const Commands table = build();
    return table;
}

} // namespace desfire::exercise

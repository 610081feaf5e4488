#pragma once

#include <QByteArray>

// What the DESFire stress test sends, built from the values the commands carry.
namespace desfire::exercise {

constexpr quint32 testApplicationId = 0x6828C8; // sent least significant byte first
// Master key changeable, files listed, created and deleted freely, configuration
// changeable.
constexpr quint8 testKeySettings = 0x0F;
constexpr quint8 testKeyCount = 14; // DES keys
constexpr quint8 testFileNumber = 2;
constexpr quint8 plainCommunication = 0x00;
// Read and read-write with key 0; write and change of access rights free.
constexpr quint16 testFileAccessRights = 0x0E0E;
constexpr quint32 testFileSize = 7500;

// The pattern written to the file: one first chunk, the middle chunk repeated, one
// last chunk; each travels in a frame of its own.
constexpr int firstChunkSize = 47;
constexpr int middleChunkSize = 53;
constexpr int middleFrameCount = 140;
constexpr int lastChunkSize = 33;
static_assert(firstChunkSize + middleFrameCount * middleChunkSize + lastChunkSize ==
              int(testFileSize));

QByteArray testPattern();

struct Commands {
    QByteArray createApplication;
    QByteArray selectApplication;
    QByteArray createFile;
    QByteArray writeFirstFrame; // WriteData of the whole file, with the first chunk
    QByteArray writeMiddleFrame;
    QByteArray writeLastFrame;
    QByteArray deleteApplication;
    QByteArray formatCard;
};

const Commands &commands();

} // namespace desfire::exercise

#pragma once

#include <QList>
#include <QString>

// The sectors and blocks of MIFARE Classic cards, as far as a test of their memory
// needs them.
namespace mifare {

enum class ClassicType { Mini, Classic1K, Classic4K };

// "MIFARE Mini", "MIFARE Classic 1K", "MIFARE Classic 4K".
QString typeName(ClassicType type);

// Mini 5, 1K 16, 4K 40.
int sectorCount(ClassicType type);
QList<int> allSectors(ClassicType type);

// The blocks of a sector that hold data: all but its trailer, the last one, and, in
// sector 0, block 0 (the manufacturer's). A sector has 4 blocks, or 16 from sector 32
// of a 4K on.
QList<int> dataBlocks(int sector);
// The first block, the one an authentication names.
int firstBlock(int sector);

// Those of sectors that the card does not have, in their order.
QList<int> sectorsOutside(ClassicType type, const QList<int> &sectors);

} // namespace mifare

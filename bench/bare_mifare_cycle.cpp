#include "bare_mifare_cycle.h"

#include "bare_card.h"
#include "bare_desfire_cycle.h"
#include "card/mifare_classic_layout.h"
#include "card/storage_card_commands.h"

bool BareMifareCycle::run(const QList<int> &sectors) {
    using namespace storagecard;
    expectOk(getUid());
    expectOk(loadKey(0, QByteArray(keySize, char(0xFF))));
    for (int sector : sectors) {
        expectOk(authenticate(mifare::firstBlock(sector), KeyType::A, 0));
        for (int block : mifare::dataBlocks(sector)) {
            const QByteArray original = expectOk(readBinary(block)).left(blockSize);
            QByteArray pattern = original;
            for (char &byte : pattern)
                byte = char(~byte);
            expectOk(updateBinary(block, pattern));
            allAsExpected_ =
                allAsExpected_ && expectOk(readBinary(block)).left(blockSize) == pattern;
            expectOk(updateBinary(block, original));
            allAsExpected_ =
                allAsExpected_ && expectOk(readBinary(block)).left(blockSize) == original;
        }
    }
    return allAsExpected_;
}

QByteArray BareMifareCycle::expectOk(const QByteArray &command) {
    ++commands_;
    const QByteArray answer = card_.transmit(command);
    allAsExpected_ = allAsExpected_ && endsWith(answer, 0x90, 0x00);
    return answer;
}

#include "mifare_classic_test.h"

#include "card/card_answer.h"
#include "card/storage_card_atr.h"
#include "pcsc/pcsc.h"

namespace mifare {

namespace {

constexpr quint8 keySlot = 0;
const QString ok = QStringLiteral("90:00");

// Every bit of the block flips, and flips back when the original is written back.
QByteArray patternFor(const QByteArray &original) {
    QByteArray pattern = original;
    for (char &byte : pattern)
        byte = char(~byte);
    return pattern;
}

int differingBytes(const QByteArray &got, const QByteArray &wanted) {
    int differing = 0;
    for (int i = 0; i < wanted.size(); ++i)
        differing += i >= got.size() || got[i] != wanted[i];
    return differing;
}

QString blockStep(const char *step, int block) {
    return QStringLiteral("%1 block %2").arg(QLatin1String(step)).arg(block);
}

class ClassicTest {
public:
    ClassicTest(SCARDHANDLE card, const TestSettings &settings,
                const std::function<bool()> &stopRequested)
        : card_(card), settings_(settings), stopRequested_(stopRequested) {}

    TestOutcome run() {
        if (identify()) {
            readUid();
            if (!exchangeBroken_ && loadKey())
                testSectors();
        }
        if (stopped_ && outcome_.failedStep.isEmpty())
            outcome_.verdict = TestOutcome::Verdict::Stopped;
        else if (outcome_.failedStep.isEmpty())
            outcome_.verdict = TestOutcome::Verdict::Passed;
        return outcome_;
    }

private:
    bool identify() {
        DWORD state = 0;
        QByteArray atr;
        const LONG result = pcsc::status(card_, MAX_ATR_SIZE, &state, &atr);
        if (result != SCARD_S_SUCCESS) {
            fail(QStringLiteral("identify: %1").arg(CardAnswer::failed(result).text()));
            return false;
        }
        outcome_.type = storagecard::classicTypeOfAtr(atr);
        if (!outcome_.type) {
            fail(QStringLiteral("not a MIFARE Classic card (ATR %1)")
                     .arg(QString::fromLatin1(atr.toHex().toUpper())));
            return false;
        }
        sectors_ = settings_.sectors.isEmpty() ? allSectors(*outcome_.type) : settings_.sectors;
        outcome_.sectorsOutsideCard = sectorsOutside(*outcome_.type, sectors_);
        if (!outcome_.sectorsOutsideCard.isEmpty()) {
            QStringList named;
            for (int sector : outcome_.sectorsOutsideCard)
                named.append(QString::number(sector));
            fail(QStringLiteral("sectors: %1 not on a %2 (sectors 0 to %3)")
                     .arg(named.join(QStringLiteral(", ")), typeName(*outcome_.type))
                     .arg(sectorCount(*outcome_.type) - 1));
            return false;
        }
        return true;
    }

    void readUid() {
        const QString step = QStringLiteral("read UID");
        QByteArray data;
        if (!expectOk(step, storagecard::getUid(), &data))
            return;
        if (data.size() == 4 || data.size() == 7 || data.size() == 10)
            outcome_.uid = data;
        else
            fail(QStringLiteral("%1: 90 00 with %2 bytes").arg(step).arg(data.size()));
    }

    bool loadKey() {
        return expectOk(QStringLiteral("load key"), storagecard::loadKey(keySlot, settings_.key));
    }

    void testSectors() {
        for (int sector : sectors_) {
            if (shouldStop())
                return;
            if (!expectOk(
                    QStringLiteral("authenticate sector %1").arg(sector),
                    storagecard::authenticate(firstBlock(sector), settings_.keyType, keySlot))) {
                if (exchangeBroken_)
                    return;
                continue;
            }
            ++outcome_.counts.sectorsAuthenticated;
            const QList<int> blocks = dataBlocks(sector);
            for (int i = 0; i < blocks.size(); ++i) {
                if (i > 0 && shouldStop())
                    return;
                if (!testBlock(blocks[i]))
                    return;
            }
        }
    }

    // False when the test cannot go on: the card is gone or the block not restored.
    bool testBlock(int block) {
        const std::optional<QByteArray> original = readBlock(blockStep("read", block), block);
        if (!original)
            return !exchangeBroken_;
        ++outcome_.counts.blocksRead;
        const QByteArray pattern = patternFor(*original);
        const bool patternTaken = write(blockStep("write", block), block, pattern);
        if (patternTaken) {
            ++outcome_.counts.blocksWritten;
            const std::optional<QByteArray> back = readBlock(blockStep("read back", block), block);
            if (back && *back == pattern)
                ++outcome_.counts.blocksVerified;
            else if (back)
                failDiffering(blockStep("read back", block), *back, pattern);
        }
        if (!exchangeBroken_ && restore(block, *original, patternTaken)) {
            ++outcome_.counts.blocksRestored;
            return true;
        }
        outcome_.unrestored.append({block, *original});
        return false;
    }

    // Puts the original back and proves it there. After a refused pattern the block
    // should hold it still: a read that shows it saves writing to the block again.
    bool restore(int block, const QByteArray &original, bool patternTaken) {
        if (!patternTaken) {
            const std::optional<QByteArray> kept = readBlock(blockStep("read back", block), block);
            if (kept == original)
                return true;
            if (exchangeBroken_)
                return false;
        }
        if (!write(blockStep("write back", block), block, original))
            return false;
        const QString step = blockStep("read back restored", block);
        const std::optional<QByteArray> back = readBlock(step, block);
        if (back && *back != original)
            failDiffering(step, *back, original);
        return back == original;
    }

    // The block's 16 bytes when the reader answered them with 90 00.
    std::optional<QByteArray> readBlock(const QString &step, int block) {
        QByteArray data;
        if (!expectOk(step, storagecard::readBinary(block), &data))
            return std::nullopt;
        if (data.size() != storagecard::blockSize) {
            fail(QStringLiteral("%1: 90 00 with %2 bytes instead of %3")
                     .arg(step)
                     .arg(data.size())
                     .arg(storagecard::blockSize));
            return std::nullopt;
        }
        return data;
    }

    bool write(const QString &step, int block, const QByteArray &data) {
        return expectOk(step, storagecard::updateBinary(block, data));
    }

    // Sends the command; true when it answered 90 00, with the data before the status.
    bool expectOk(const QString &step, const QByteArray &command, QByteArray *data = nullptr) {
        QByteArray answer;
        ++outcome_.counts.commands;
        const LONG result = storagecard::transmit(card_, command, &answer);
        const CardAnswer got =
            result == SCARD_S_SUCCESS ? CardAnswer::of(answer) : CardAnswer::failed(result);
        // Without a status word the reader did not finish the command either: what it
        // did to the card is unknown, so nothing more is sent.
        if (!got.transmitted() || got.withoutStatus)
            exchangeBroken_ = true;
        if (!got.answered(ok)) {
            fail(QStringLiteral("%1: %2").arg(step, got.text()));
            return false;
        }
        if (data)
            *data = answer.left(answer.size() - 2);
        return true;
    }

    void failDiffering(const QString &step, const QByteArray &got, const QByteArray &wanted) {
        const int differing = differingBytes(got, wanted);
        fail(QStringLiteral("%1: differs in %2 %3")
                 .arg(step)
                 .arg(differing)
                 .arg(differing == 1 ? QStringLiteral("byte") : QStringLiteral("bytes")));
    }

    void fail(const QString &step) {
        ++outcome_.counts.failedSteps;
        if (outcome_.failedStep.isEmpty())
            outcome_.failedStep = step;
    }

    bool shouldStop() {
        stopped_ = stopped_ || (stopRequested_ && stopRequested_());
        return stopped_;
    }

    SCARDHANDLE card_;
    const TestSettings &settings_;
    const std::function<bool()> &stopRequested_;
    QList<int> sectors_;
    TestOutcome outcome_;
    bool exchangeBroken_ = false;
    bool stopped_ = false;
};

} // namespace

TestOutcome runClassicTest(SCARDHANDLE card, const TestSettings &settings,
                           const std::function<bool()> &stopRequested) {
    return ClassicTest(card, settings, stopRequested).run();
}

} // namespace mifare

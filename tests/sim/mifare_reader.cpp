#include "mifare_reader.h"

#include "hex.h"

#include <algorithm>

namespace mifarereader {

namespace {
QString byteHex(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

QString loadKey(const QString &keyHex, int slot) {
    return QStringLiteral("FF8200%1 06 %2").arg(byteHex(slot), keyHex);
}

QString authenticate(int block, char keyType, int slot) {
    return QStringLiteral("FF860000 05 01 00 %1 %2 %3")
        .arg(byteHex(block), keyType == 'A' ? QStringLiteral("60") : QStringLiteral("61"),
             byteHex(slot));
}

QString read(int block) {
    return QStringLiteral("FFB000%1 10").arg(byteHex(block));
}

QString write(int block, const QString &dataHex) {
    return QStringLiteral("FFD600%1 10 %2").arg(byteHex(block), dataHex);
}

QStringList converse(vcard::MifareClassicCard &card, const QStringList &apdus) {
    QStringList answers;
    for (const QString &apdu : apdus)
        answers.append(
            QString::fromStdString(vcard::toHex(card.execute(vcard::fromHex(apdu.toStdString())))));
    return answers;
}

QString normalized(const QString &hex) {
    return QString::fromStdString(vcard::toHex(vcard::fromHex(hex.toStdString())));
}

QStringList normalized(const QStringList &hex) {
    QStringList out;
    for (const QString &entry : hex)
        out.append(normalized(entry));
    return out;
}

QString hexOf(const vcard::mifare::Block &block) {
    return QString::fromStdString(vcard::toHex(vcard::Bytes(block.begin(), block.end())));
}

vcard::mifare::Block blockOf(const QString &hex) {
    const vcard::Bytes bytes = vcard::fromHex(hex.toStdString());
    vcard::mifare::Block block{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), block.size()), block.begin());
    return block;
}

} // namespace mifarereader

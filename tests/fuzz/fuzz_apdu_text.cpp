// The operator's typed APDU text, split into lines and decoded into command bytes as
// the window's worker does it, checked against a plain reading of the same rules.

#include "fuzz_input.h"
#include "quiet_process.h"

#include "card/apdu_text.h"

#include <cstdlib>

namespace {

// The text a text field can hold: UTF-8 as typed or pasted, or any UTF-16 units at all
// (lone surrogates included) as a paste from another program can bring.
QString typedText(FuzzInput &input) {
    const bool utf16 = input.nextByte() & 1;
    const QByteArray bytes = input.rest();
    if (!utf16)
        return QString::fromUtf8(bytes);
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

int hexValue(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The hex digits of the line, paired from the end.
QByteArray expectedBytes(const QString &line) {
    QList<int> digits;
    for (QChar c : line)
        if (hexValue(c) >= 0)
            digits.append(hexValue(c));
    QByteArray bytes;
    int i = 0;
    if (digits.size() % 2)
        bytes.append(char(digits[i++]));
    for (; i < digits.size(); i += 2)
        bytes.append(char(digits[i] << 4 | digits[i + 1]));
    return bytes;
}

void check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    quietProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QString text = typedText(input);
    const QStringList lines = apdutext::splitLines(text);

    // Every CR and every LF ends a line; nothing else does, and nothing is lost.
    check(lines.size() == text.count(QLatin1Char('\r')) + text.count(QLatin1Char('\n')) + 1);
    QString unified = text;
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    check(lines.join(QLatin1Char('\n')) == unified);

    QStringList entries;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray command = apdutext::decodeLine(lines[i]);
        check(command == expectedBytes(lines[i]));
        entries.append(apdutext::responseEntry(i, command));
    }
    // One pop-up line per command, whatever the text held.
    check(apdutext::joinEntries(entries).count(QLatin1Char('\r')) == entries.size() - 1);
    return 0;
}

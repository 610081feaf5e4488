#include "reader_names.h"

#include <functional>

namespace {

constexpr char16_t firstEscape = 0xDC80;
constexpr char16_t lastEscape = 0xDCFF;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at bytes[at] (Unicode's table 3-7: no
// overlong forms, no surrogates, nothing past U+10FFFF), or 0.
int sequenceLength(const QByteArray &bytes, int at) {
    const auto byte = [&](int i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    if (at + length > bytes.size() || byte(1) < low || byte(1) > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (!isContinuation(byte(i)))
            return 0;
    return length;
}

// Goes through a name made by readerNameFromBytes: each escaped byte to escaped(), each
// run of other text to text(). A surrogate pair is a character, even where its second
// half lies among the escapes.
void walkName(const QString &name, const std::function<void(unsigned char)> &escaped,
              const std::function<void(const QString &)> &text) {
    int runStart = 0;
    for (int i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c < firstEscape || c > lastEscape)
            continue;
        text(name.mid(runStart, i - runStart));
        escaped(static_cast<unsigned char>(c - 0xDC00));
        runStart = i + 1;
    }
    text(name.mid(runStart));
}

} // namespace

QString readerNameFromBytes(const QByteArray &bytes) {
    QString name;
    for (int at = 0; at < bytes.size();) {
        const int length = sequenceLength(bytes, at);
        if (length == 0) {
            name += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[at])));
            ++at;
        } else {
            name += QString::fromUtf8(bytes.constData() + at, length);
            at += length;
        }
    }
    return name;
}

QByteArray readerNameBytes(const QString &name) {
    QByteArray bytes;
    walkName(
        name, [&bytes](unsigned char byte) { bytes.append(char(byte)); },
        [&bytes](const QString &text) { bytes.append(text.toUtf8()); });
    return bytes;
}

QString shownReaderName(const QString &name) {
    QString shown;
    walkName(
        name,
        [&shown](unsigned char byte) {
            shown += QStringLiteral("\\x") +
                     QStringLiteral("%1").arg(int(byte), 2, 16, QLatin1Char('0')).toUpper();
        },
        [&shown](const QString &text) { shown += text; });
    return shown;
}

#include "fuzz_input.h"

#include <algorithm>

std::uint8_t FuzzInput::nextByte() {
    return atEnd() ? 0 : data_[position_++];
}

std::uint32_t FuzzInput::nextWord() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i)
        word = word << 8 | nextByte();
    return word;
}

std::optional<FuzzInput::Chunk> FuzzInput::nextChunk() {
    if (atEnd())
        return std::nullopt;
    const std::uint16_t length = std::uint16_t(nextByte() << 8 | nextByte());
    Chunk chunk;
    if (length == failureMark) {
        chunk.failed = true;
        chunk.code = nextWord();
        return chunk;
    }
    const std::size_t taken = std::min<std::size_t>(length, size_ - position_);
    chunk.bytes = QByteArray(reinterpret_cast<const char *>(data_ + position_), int(taken));
    position_ += taken;
    return chunk;
}

QByteArray FuzzInput::rest() {
    const QByteArray bytes(reinterpret_cast<const char *>(data_ + position_),
                           int(size_ - position_));
    position_ = size_;
    return bytes;
}

QByteArray answerChunk(const QByteArray &bytes) {
    QByteArray chunk;
    chunk.append(char(bytes.size() >> 8)).append(char(bytes.size() & 0xFF)).append(bytes);
    return chunk;
}

QByteArray failureChunk(std::uint32_t code) {
    QByteArray chunk("\xFF\xFF", 2);
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk.append(char((code >> shift) & 0xFF));
    return chunk;
}

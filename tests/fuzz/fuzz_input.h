#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

// The fuzzer's bytes, read front to back, as the doubles of the platform seams take
// them.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    // One answer in the chunk form of a fuzz reader: a 2-byte big-endian length, then
    // that many bytes (fewer when the input ends first). The length failureMark says
    // the call failed instead; its 4-byte big-endian result code follows.
    struct Chunk {
        bool failed = false;
        std::uint32_t code = 0;
        QByteArray bytes;
    };
    static constexpr std::uint16_t failureMark = 0xFFFF;
    // Nothing once the input has run out.
    std::optional<Chunk> nextChunk();

    bool atEnd() const { return position_ >= size_; }
    // 0 once the input has run out.
    std::uint8_t nextByte();
    std::uint32_t nextWord(); // 4 bytes, big-endian
    QByteArray rest();

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Builds inputs in the same form, for seed corpora and tests.
QByteArray answerChunk(const QByteArray &bytes);
QByteArray failureChunk(std::uint32_t code);

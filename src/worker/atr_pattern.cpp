#include "atr_pattern.h"

#include <optional>

namespace {

constexpr std::uint32_t anyChar = 128;
constexpr std::uint32_t anyRun = 129;
constexpr std::uint32_t classBase = 256;
constexpr int wordBits = 64;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char otherCase(char c) {
    return char(c ^ 0x20);
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? otherCase(c) : c;
}

// What may stand in a class: printable ASCII, without the brackets and the backslash,
// whose meanings there (POSIX classes, escapes) are no part of the syntax.
bool isClassCharacter(char c) {
    return c >= 0x20 && c <= 0x7e && c != '[' && c != ']' && c != '\\';
}

// The class that begins after the '[' at *pos, ignoring case; *pos ends after its ']'.
std::optional<std::bitset<128>> parseClass(std::string_view line, std::size_t *pos) {
    std::size_t i = *pos;
    const bool negated = i < line.size() && line[i] == '^';
    if (negated)
        ++i;
    std::bitset<128> members;
    bool empty = true;
    while (i < line.size() && line[i] != ']') {
        const char first = line[i];
        if (!isClassCharacter(first))
            return std::nullopt;
        char last = first;
        if (i + 2 < line.size() && line[i + 1] == '-' && line[i + 2] != ']') {
            last = line[i + 2];
            if (!isClassCharacter(last) || last < first)
                return std::nullopt;
            i += 2;
        }
        for (int c = first; c <= last; ++c)
            members.set(std::size_t(c));
        empty = false;
        ++i;
    }
    if (i == line.size() || empty)
        return std::nullopt;
    *pos = i + 1;
    for (char c = 'A'; c <= 'Z'; ++c) {
        if (members.test(std::size_t(c)) || members.test(std::size_t(otherCase(c)))) {
            members.set(std::size_t(c));
            members.set(std::size_t(otherCase(c)));
        }
    }
    return negated ? ~members : members;
}

} // namespace

// The ATR text as bit sets over its positions: which positions hold each character
// (either case of a letter), and scratch room for the positions a pattern has reached.
class AtrPatterns::Subject {
public:
    explicit Subject(std::string_view text)
        : length(int(text.size())), words(length / wordBits + 1),
          charMasks_(std::size_t(128 * words)), anyMask_(std::size_t(words)),
          classMask_(std::size_t(words)), reached_(std::size_t(words)) {
        for (int i = 0; i < length; ++i) {
            const char c = text[std::size_t(i)];
            const std::uint64_t bit = std::uint64_t(1) << (i % wordBits);
            if (c != '\n')
                anyMask_[std::size_t(i / wordBits)] |= bit;
            if (static_cast<unsigned char>(c) >= 128)
                continue; // beyond ASCII: only "." takes it
            for (char variant : {c, isLetter(c) ? otherCase(c) : c}) {
                if (!seen_.test(std::size_t(variant))) {
                    seen_.set(std::size_t(variant));
                    present_.push_back(variant);
                }
                charMasks_[std::size_t(variant * words + i / wordBits)] |= bit;
            }
        }
    }

    // The positions whose character the token takes.
    const std::uint64_t *mask(std::uint32_t token, const std::vector<std::bitset<128>> &classes) {
        if (token == anyChar)
            return anyMask_.data();
        if (token < 128)
            return &charMasks_[std::size_t(token) * std::size_t(words)];
        const std::bitset<128> &members = classes[token - classBase];
        std::fill(classMask_.begin(), classMask_.end(), 0);
        for (char c : present_) {
            if (!members.test(std::size_t(c)))
                continue;
            for (int w = 0; w < words; ++w)
                classMask_[std::size_t(w)] |= charMasks_[std::size_t(c * words + w)];
        }
        return classMask_.data();
    }

    std::uint64_t *reached() { return reached_.data(); }

    const int length;
    const int words;

private:
    std::vector<std::uint64_t> charMasks_; // 128 masks of `words` words
    std::vector<std::uint64_t> anyMask_;
    std::vector<std::uint64_t> classMask_;
    std::vector<std::uint64_t> reached_;
    std::bitset<128> seen_;
    std::vector<char> present_; // the characters of seen_, for the class masks
};

bool AtrPatterns::add(std::string_view line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    if (begin == end)
        return false;

    std::vector<std::uint32_t> tokens;
    std::vector<std::bitset<128>> classes;
    Pattern pattern{std::uint32_t(tokens_.size()), 0, 0, false};
    for (std::size_t i = begin; i < end;) {
        const char c = line[i];
        if (isBlank(c)) {
            while (isBlank(line[i]))
                ++i;
            tokens.push_back(' ');
            ++pattern.fixedLength;
        } else if (isHexDigit(c)) {
            tokens.push_back(std::uint32_t(upper(c)));
            ++pattern.fixedLength;
            ++i;
        } else if (c == '.' && i + 1 < end && line[i + 1] == '*') {
            // ".*.*" takes what ".*" takes.
            if (tokens.empty() || tokens.back() != anyRun)
                tokens.push_back(anyRun);
            pattern.hasRun = true;
            i += 2;
        } else if (c == '.') {
            tokens.push_back(anyChar);
            ++pattern.fixedLength;
            ++i;
        } else if (c == '[') {
            ++i;
            const std::optional<std::bitset<128>> members = parseClass(line.substr(0, end), &i);
            if (!members)
                return false;
            tokens.push_back(classBase + std::uint32_t(classes_.size() + classes.size()));
            classes.push_back(*members);
            ++pattern.fixedLength;
        } else {
            return false;
        }
    }
    pattern.tokenCount = std::uint32_t(tokens.size());
    tokens_.insert(tokens_.end(), tokens.begin(), tokens.end());
    classes_.insert(classes_.end(), classes.begin(), classes.end());
    patterns_.push_back(pattern);
    return true;
}

int AtrPatterns::firstMatch(std::string_view spacedAtr) const {
    Subject subject(spacedAtr);
    for (std::size_t i = 0; i < patterns_.size(); ++i) {
        if (matches(patterns_[i], subject))
            return int(i);
    }
    return -1;
}

// Keeps the set of text positions the tokens so far can have reached: a character
// token moves each position on by one where the text's character is one it takes, a
// run adds every later position. The pattern matches when the end is reached.
bool AtrPatterns::matches(const Pattern &pattern, Subject &subject) const {
    const int length = subject.length;
    if (int(pattern.fixedLength) > length ||
        (!pattern.hasRun && int(pattern.fixedLength) != length))
        return false;
    const int words = subject.words;
    std::uint64_t *reached = subject.reached();
    std::fill(reached, reached + words, 0);
    reached[0] = 1;
    const std::uint64_t lastWordBits = length % wordBits == wordBits - 1
                                           ? ~std::uint64_t(0)
                                           : (std::uint64_t(1) << (length % wordBits + 1)) - 1;
    for (std::uint32_t t = 0; t < pattern.tokenCount; ++t) {
        const std::uint32_t token = tokens_[pattern.firstToken + t];
        if (token == anyRun) {
            int w = 0;
            while (reached[w] == 0)
                ++w;
            reached[w] |= ~(reached[w] - 1); // every bit from the lowest set one up
            for (++w; w < words; ++w)
                reached[w] = ~std::uint64_t(0);
            reached[words - 1] &= lastWordBits;
            continue;
        }
        const std::uint64_t *takes = subject.mask(token, classes_);
        std::uint64_t any = 0;
        for (int w = words - 1; w >= 0; --w) {
            const std::uint64_t carry =
                w > 0 ? (reached[w - 1] & takes[w - 1]) >> (wordBits - 1) : 0;
            reached[w] = ((reached[w] & takes[w]) << 1) | carry;
            any |= reached[w];
        }
        if (any == 0)
            return false;
    }
    return (reached[length / wordBits] >> (length % wordBits)) & 1;
}

QByteArray spacedAtrText(const QByteArray &atr) {
    return atr.toHex(' ').toUpper();
}

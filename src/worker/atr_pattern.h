#pragma once

#include <QByteArray>

#include <bitset>
#include <cstdint>
#include <string_view>
#include <vector>

// The pattern lines of an ATR list, in the syntax pcsc-tools' list writes them: hex
// digits, "." for any one character, "[...]" for one of a set ("[1,3]", "[1-5]",
// "[^0]"), ".*" for any run, and spaces. They are matched the way pcsc-tools matches
// them, against the whole ATR written as "3B 81 80 01 80 80" and ignoring case, with
// runs of blanks in a line read as one space and blanks at its ends left out.
//
// A line holding anything else (groups, alternatives, other repeats, escapes) is no
// pattern here, so none can take longer than its length: matching walks each token of a
// line once, over a set of positions in the ATR text.
class AtrPatterns {
public:
    // Compiles line; false, with nothing kept, when it is outside the syntax.
    bool add(std::string_view line);
    int size() const { return int(patterns_.size()); }

    // The first pattern that matches the whole of spacedAtr (ASCII text), or -1.
    int firstMatch(std::string_view spacedAtr) const;

private:
    struct Pattern {
        std::uint32_t firstToken;
        std::uint32_t tokenCount;
        std::uint32_t fixedLength; // characters the pattern needs, its runs left out
        bool hasRun;
    };
    class Subject;

    bool matches(const Pattern &pattern, Subject &subject) const;

    // Every pattern's tokens one after the other: a character below 128 stands for
    // itself, then ".", ".*" and the classes of classes_ (atr_pattern.cpp).
    std::vector<std::uint32_t> tokens_;
    std::vector<std::bitset<128>> classes_;
    std::vector<Pattern> patterns_;
};

// "3B 81 80 01 80 80": the ATR as pcsc-tools matches its list against it.
QByteArray spacedAtrText(const QByteArray &atr);

#pragma once
// Checks of the log's lines by content: the expected lines must all be there,
// in the given order, with anything else logged in between.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace kvtest {

// An expected line: all of it, or (through StartsWith) its beginning, for
// lines that end in figures a test does not pin.
struct LineMatch {
    LineMatch(std::string text) : text(std::move(text)) {}  // NOLINT: a plain string means the whole line
    LineMatch(const char* text) : text(text) {}             // NOLINT
    std::string text;
    bool prefix = false;

    bool Matches(std::string_view line) const { return prefix ? line.starts_with(text) : line == text; }
};

inline LineMatch StartsWith(std::string text) {
    LineMatch match(std::move(text));
    match.prefix = true;
    return match;
}

inline testing::AssertionResult HasLinesInOrder(const std::vector<std::string>& lines,
                                                const std::vector<LineMatch>& expected) {
    auto from = lines.begin();
    for (const LineMatch& match : expected) {
        while (from != lines.end() && !match.Matches(*from)) ++from;
        if (from == lines.end()) {
            return testing::AssertionFailure() << "no " << (match.prefix ? "line starting \"" : "line \"")
                                               << match.text << "\" (in this order) among "
                                               << testing::PrintToString(lines);
        }
        ++from;
    }
    return testing::AssertionSuccess();
}

}  // namespace kvtest

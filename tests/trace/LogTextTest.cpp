// The escaping of texts from other processes before they reach a log line.
#include "orxstarter/trace/LogText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace log_text;

namespace {

std::string EscapedText(const std::string& text, size_t outSize = 4096) {
    std::string out(outSize, '#');
    const size_t n = Escape(text.data(), text.size(), out.data(), out.size());
    EXPECT_EQ(n, std::strlen(out.c_str())) << "the count is the text's length";
    return out.substr(0, n);
}

// Undoes Escape: the form must be reversible, or a reader could not tell a
// forged escape from a real one.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || (next != '\\' && next != 'x')) {
            out += text[i];
        } else if (next == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += '\\';
            ++i;
        }
    }
    return out;
}

}  // namespace

TEST(LogText, ControlCharactersAreEscapedAndABackslashOnlyWhereItWouldReadAsOne) {
    const struct {
        std::string text, escaped;
    } cases[] = {
        {"plain text, 100 %", "plain text, 100 %"},
        {"one\r\n20261205 00:21:32:123 \tStarter.Notice", "one\\x0D\\x0A20261205 00:21:32:123 \\x09Starter.Notice"},
        {"HKLM\\SOFTWARE\\OrxTest\\tree|V", "HKLM\\SOFTWARE\\OrxTest\\tree|V"},
        {"C:\\temp\\new\\root", "C:\\temp\\new\\root"},
        {"C:\\x86\\\\y\\", "C:\\\\x86\\\\\\y\\\\"},  // these would read as escapes
        {std::string("\x01\x1B[2J\x1F\x7F", 7), "\\x01\\x1B[2J\\x1F\\x7F"},
        {"a\\\x01", "a\\\\\\x01"},  // before an escape, too
        {"caf\xE9 \xC3\xA9", "caf\xE9 \xC3\xA9"},  // the user's code page, left alone
        {std::string("cut\0after", 9), "cut"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.escaped, EscapedText(c.text)) << c.text;
        EXPECT_EQ(c.escaped != c.text.c_str(), NeedsEscape(c.text.c_str())) << c.text;
    }
    // Every byte, and every pair of bytes with a backslash: no line break
    // survives, and the text comes back whole.
    std::string everyByte;
    for (int byte = 1; byte < 256; ++byte) {
        everyByte += std::string(1, static_cast<char>(byte)) + "\\" + static_cast<char>(byte);
    }
    const std::string escaped = EscapedText(everyByte, 8192);
    EXPECT_EQ(std::string::npos, escaped.find_first_of("\r\n\t\x0B\x0C"));
    EXPECT_EQ(everyByte, Unescaped(escaped));
}

// The output is bounded by its buffer, and an escape is never cut in half
// (a lone backslash at the end would escape what the line adds after it).
TEST(LogText, ABufferTooSmallKeepsOnlyWholeEscapesAndNoLoneBackslash) {
    EXPECT_EQ("ab", EscapedText("ab\x01", 6));
    EXPECT_EQ("ab\\x01", EscapedText("ab\x01", 7));
    EXPECT_EQ("a", EscapedText("a\\", 3)) << "the last backslash is doubled, and that does not fit";
    EXPECT_EQ("a\\\\", EscapedText("a\\", 4));
    EXPECT_EQ("a", EscapedText("a\\b", 3)) << "a single backslash does not end a cut text";
    EXPECT_EQ("a\\b", EscapedText("a\\b", 4));
    EXPECT_EQ("", EscapedText("\n", 4));
    char one[1] = {'#'};
    EXPECT_EQ(0u, Escape("abc", one, sizeof one));
    EXPECT_EQ('\0', one[0]);
    EXPECT_EQ(0u, Escape(nullptr, one, sizeof one));
    EXPECT_STREQ("x\\x09y", log_text::Escaped<8>("x\ty").c_str());
    EXPECT_STREQ("x\\x09", log_text::Escaped<8>("x\ty", 2).c_str());
    EXPECT_STREQ("abcdef", log_text::Escaped<7>("abcdefgh").c_str());
}

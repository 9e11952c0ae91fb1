#include "standins/tunpanel/RequestWords.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <cctype>
#include <limits>

namespace tunpanel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HasHexPrefix(const std::string& text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Digits only, no sign, no blanks: "12", "0x1F". Overflow of 64 bits fails.
bool ParseMagnitude(const std::string& text, uint64_t& value) {
    const bool hex = HasHexPrefix(text);
    const unsigned base = hex ? 16 : 10;
    const size_t start = hex ? 2 : 0;
    if (text.size() <= start) return false;
    value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

bool EqualsIgnoringCase(const char* a, const std::string& b) {
    size_t i = 0;
    for (; a[i] != '\0' && i < b.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return a[i] == '\0' && i == b.size();
}

}  // namespace

bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        std::string word;
        // A word runs to the next blank outside quotes; quoted parts may sit
        // inside it (data="a b" gives data=a b).
        while (i < line.size() && !IsBlank(line[i])) {
            if (line[i] != '"') {
                word += line[i++];
                continue;
            }
            for (++i;; ++i) {
                if (i >= line.size()) {
                    error = "unterminated quote";
                    return false;
                }
                if (line[i] != '"') {
                    word += line[i];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    word += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        }
        words.push_back(word);
    }
    return true;
}

bool IsBlankOrComment(const std::string& line) {
    for (char c : line) {
        if (c == '#') return true;
        if (!IsBlank(c)) return false;
    }
    return true;
}

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    uint64_t parsed = 0;
    if (!ParseMagnitude(text, parsed) || parsed > max) return false;
    value = parsed;
    return true;
}

bool ParseSigned(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    uint64_t magnitude = 0;
    if (!ParseMagnitude(negative ? text.substr(1) : text, magnitude)) return false;
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    const int64_t parsed = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> parsed;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == ':' || c == '-') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return false;
        const int high = HexDigit(c), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        parsed.push_back(static_cast<uint8_t>(high * 16 + low));
        i += 2;
    }
    bytes = parsed;
    return true;
}

bool ParseMessageCode(const std::string& text, uint32_t& code) {
    uint64_t number = 0;
    if (ParseUnsigned(text, std::numeric_limits<uint32_t>::max(), number)) {
        code = static_cast<uint32_t>(number);
        return true;
    }
    // Every catalogue code lies below 0x10000.
    for (uint32_t candidate = 0; candidate < 0x10000; ++candidate) {
        const char* name = IpcMsgName(candidate);
        if (name != nullptr && EqualsIgnoringCase(name, text)) {
            code = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace tunpanel

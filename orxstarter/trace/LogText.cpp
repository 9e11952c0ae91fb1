#include "orxstarter/trace/LogText.h"

#include <cstring>

namespace log_text {

namespace {

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// Whether a backslash before `next` (NUL: the text's end) would read as the
// start of an escape if it stood single: it is then doubled.
bool StartsAnEscape(char next) { return IsControl(static_cast<unsigned char>(next)) || next == '\\' || next == 'x'; }

// The escape of `byte` (followed by `next`, NUL at the text's end) into
// `sequence`; 1 when it stands for itself.
size_t EscapeOne(unsigned char byte, char next, char (&sequence)[kMaxEscapeLength]) {
    static const char kHex[] = "0123456789ABCDEF";
    if (IsControl(byte)) {
        sequence[0] = '\\';
        sequence[1] = 'x';
        sequence[2] = kHex[byte >> 4];
        sequence[3] = kHex[byte & 0x0F];
        return 4;
    }
    if (byte == '\\' && StartsAnEscape(next)) {
        sequence[0] = '\\';
        sequence[1] = '\\';
        return 2;
    }
    sequence[0] = static_cast<char>(byte);
    return 1;
}

}  // namespace

size_t Escape(const char* text, size_t length, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    size_t written = 0;
    bool loneBackslash = false;  // the last character written is a backslash left single
    for (size_t i = 0; text != nullptr && i < length && text[i] != '\0'; ++i) {
        const char next = i + 1 < length ? text[i + 1] : '\0';
        char sequence[kMaxEscapeLength];
        const size_t n = EscapeOne(static_cast<unsigned char>(text[i]), next, sequence);
        if (written + n >= outSize) {
            // Cut here: a single backslash must not end up before what follows the text.
            if (loneBackslash) --written;
            break;
        }
        std::memcpy(out + written, sequence, n);
        written += n;
        loneBackslash = n == 1 && sequence[0] == '\\';
    }
    out[written] = '\0';
    return written;
}

size_t Escape(const char* text, char* out, size_t outSize) {
    return Escape(text, text != nullptr ? std::strlen(text) : 0, out, outSize);
}

bool NeedsEscape(const char* text) {
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        char sequence[kMaxEscapeLength];
        if (EscapeOne(static_cast<unsigned char>(*p), p[1], sequence) != 1) return true;
    }
    return false;
}

}  // namespace log_text

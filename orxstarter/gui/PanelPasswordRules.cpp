#include "orxstarter/gui/PanelPasswordRules.h"

#include <cstring>

namespace gui_panel {

PasswordProblem HashedPasswordLength(const unsigned char* field, size_t size, size_t& length) {
    length = 0;
    for (size_t i = 0; i + 1 < size; ++i) {
        if (field[i] != 0 || field[i + 1] != 0) continue;
        if (i + 1 > kMaxHashedLength) return PasswordProblem::TooLong;
        length = i + 1;
        return PasswordProblem::None;
    }
    return PasswordProblem::NoEnd;
}

size_t ComposeHashInput(const unsigned char* password, size_t length, const unsigned char* salt,
                        unsigned char (&input)[kHashInputSize]) {
    std::memset(input, 0, sizeof input);
    if (length > kMaxHashedLength) length = kMaxHashedLength;
    std::memcpy(input, password, length);
    std::memcpy(input + length, salt, kSaltSize);
    return length + kSaltSize;
}

bool AllZero(const unsigned char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

bool DigestOpensPanel(const unsigned char (&computed)[kDigestSize], const unsigned char (&stored)[kDigestSize]) {
    unsigned char difference = 0;
    for (size_t i = 0; i < kDigestSize; ++i) difference |= static_cast<unsigned char>(computed[i] ^ stored[i]);
    return difference == 0 && !AllZero(computed, kDigestSize) && !AllZero(stored, kDigestSize);
}

const char* ProblemText(PasswordProblem problem) {
    switch (problem) {
    case PasswordProblem::None: return "accepted";
    case PasswordProblem::NoEnd: return "refused, the password field has no end (no two zero bytes in a row)";
    case PasswordProblem::TooLong: return "refused, the password is longer than 32 bytes";
    }
    return "refused";
}

}  // namespace gui_panel

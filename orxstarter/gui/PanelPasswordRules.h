// The configuration-panel password as the broker checks it, and the
// "GuiDefs" value that holds its digest and salt. Pure: no OS calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gui_panel {

constexpr size_t kPasswordFieldSize = 256;
constexpr size_t kDigestSize = 32;
constexpr size_t kSaltSize = 32;
constexpr size_t kHashInputSize = 64;  // the password's bytes, then the salt
// What fits the hash input beside the salt.
constexpr size_t kMaxHashedLength = kHashInputSize - kSaltSize;

// GuiDefs, at most 180 bytes: the digest at 12 (all zero: no password
// configured) and the salt at 44.
constexpr size_t kGuiDefsSize = 180;
constexpr size_t kGuiDefsDigestOffset = 12;
constexpr size_t kGuiDefsSaltOffset = 44;

enum class PasswordProblem {
    None,
    NoEnd,    // no two zero bytes in a row within the field
    TooLong,  // longer than the hash input leaves room for
};

// How many bytes of the field are hashed: one more than the offset of the
// first zero byte followed by another zero byte. A one-byte text and its
// terminating zero; a UTF-16LE text of characters below U+0100 by its bytes;
// an all-zero field gives 1.
PasswordProblem HashedPasswordLength(const unsigned char* field, size_t size, size_t& length);

// The hash input: `length` (at most kMaxHashedLength) password bytes, then
// the salt. Returns the input's length.
size_t ComposeHashInput(const unsigned char* password, size_t length, const unsigned char* salt,
                        unsigned char (&input)[kHashInputSize]);

bool AllZero(const unsigned char* bytes, size_t size);

// Whether a computed digest opens the panel: it matches the stored one and
// neither is all zero (a digest that was never written, or no password
// configured). The hash function's return value plays no part: its contract
// leaves it unused, and a library may return anything with a right digest.
// Every byte is compared, whatever the first difference.
bool DigestOpensPanel(const unsigned char (&computed)[kDigestSize], const unsigned char (&stored)[kDigestSize]);

const char* ProblemText(PasswordProblem problem);

}  // namespace gui_panel

// SHA-256 through the system's cryptography provider (BCrypt).
#pragma once

#include <cstdint>

namespace profstore {

constexpr uint32_t kSha256Size = 32;

// False when the provider refuses (the digest is then left zero).
bool Sha256(const void* input, uint32_t length, uint8_t (&digest)[kSha256Size]);

}  // namespace profstore

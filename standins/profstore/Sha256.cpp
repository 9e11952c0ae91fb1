#include "standins/profstore/Sha256.h"

#include "sysdep/WinHandles.h"

#include <bcrypt.h>

#include <cstring>

namespace profstore {

namespace {

struct AlgorithmTraits {
    using type = BCRYPT_ALG_HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return BCryptCloseAlgorithmProvider(h, 0) >= 0; }
};

struct HashTraits {
    using type = BCRYPT_HASH_HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return BCryptDestroyHash(h) >= 0; }
};

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

bool Sha256(const void* input, uint32_t length, uint8_t (&digest)[kSha256Size]) {
    std::memset(digest, 0, sizeof digest);
    orx::UniqueResource<AlgorithmTraits> algorithm;
    orx::UniqueResource<HashTraits> hash;
    // BCryptHashData takes a non-const pointer but only reads through it.
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(input));
    return Succeeded(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
           Succeeded(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0)) &&
           Succeeded(BCryptHashData(hash.get(), bytes, length, 0)) &&
           Succeeded(BCryptFinishHash(hash.get(), digest, sizeof digest, 0));
}

}  // namespace profstore

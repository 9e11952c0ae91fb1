// Hostile input for the service's channels: random messages of known and
// unknown types, any length from 0 to 696 and random bytes; length words
// above 696 forged straight into a mailbox; and registry requests aimed at
// plausible keys inside and outside the prefix the policy allows, so that
// the policy is tried on paths that could pass, not only on noise. Pure: a
// seeded generator, the same seed gives the same messages.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace reliability {

// The one key under which the run's registry policy lets GUIs write.
constexpr char kAllowedPrefix[] = "SOFTWARE\\OrxReliability\\Allowed";
// A value the run creates outside it for the hostile messages to aim at.
constexpr char kOutsideKey[] = "SOFTWARE\\OrxReliability\\Outside";
constexpr char kOutsideValue[] = "Keep";

enum class RegistryAim { None, Inside, Outside };

struct FuzzMessage {
    std::vector<unsigned char> bytes;  // 0 to 696 bytes
    bool forged = false;               // no message: only `forgedLength` in the length word
    uint32_t forgedLength = 0;         // above 696
    RegistryAim aim = RegistryAim::None;
};

// The credential provider's messages write fixed keys outside any prefix by
// design: they are kept out of the random set, so that any registry write
// outside the allowed prefix is a fault.
bool KeptOutOfFuzz(uint32_t code);

// The catalogue's codes the fuzz picks from (all but those kept out).
const std::vector<uint32_t>& FuzzedCodes();

// The registry paths ("key|value") the fuzz aims at outside the allowed
// prefix; a run deletes what any of them left behind.
const std::vector<std::string>& OutsideTargets();

class FuzzSource {
public:
    explicit FuzzSource(uint32_t seed) : random_(seed) {}
    FuzzMessage Next();

private:
    uint32_t Below(uint32_t bound);  // 0 to bound - 1
    uint32_t PickType();
    uint32_t PickLength();
    void AimAtRegistry(FuzzMessage& message, uint32_t type);
    std::mt19937 random_;
};

}  // namespace reliability

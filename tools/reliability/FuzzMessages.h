// Hostile input for the service's channels: random messages of known and
// unknown types, any length from 0 to 696 and random bytes; length words
// above 696 forged straight into a mailbox; registry requests aimed at
// plausible keys inside and outside what the run's policy allows and at the
// daemon's values the policy always protects; texts full of control
// characters where the service logs a text. The messages that start or stop
// the daemon, or forge its state, are kept out of the random set and sent in
// paced episodes (EpisodeAt), so that a run launches daemons by the dozen,
// not by the thousand. Pure: a seeded generator, the same seed gives the same
// messages.
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
// The name of every value the run aims at in keys it does not own.
constexpr char kFuzzValueName[] = "OrxReliabilityFuzz";

// The run's policy: the allowed prefix and the daemon's App Paths key (where
// the GUI keeps settings, so an administrator will list it).
const std::vector<std::string>& PolicyEntries();
// Where a run may see changes the policy allows: its entries, and the App
// Paths key's twin in the 32-bit view, where Wine shows the same values.
const std::vector<std::string>& PolicyEffects();
// "key|value" entries the policy protects whatever it lists: the daemon's
// launch and data values, in both views. None may change in a run.
const std::vector<std::string>& ProtectedEntries();
// Keys the credential provider's messages write by design, outside any policy.
const std::vector<std::string>& CredentialProviderKeys();
// Keys Wine writes by itself while a run starts processes (its display
// driver's registration), whatever the service does.
const std::vector<std::string>& PlatformKeys();

enum class RegistryAim { None, Inside, Outside, Protected };

struct FuzzMessage {
    std::vector<unsigned char> bytes;  // 0 to 696 bytes
    bool forged = false;               // no message: only `forgedLength` in the length word
    uint32_t forgedLength = 0;         // above 696
    RegistryAim aim = RegistryAim::None;
    bool controlText = false;          // carries a text with control characters where one is logged
};

// The daemon's state messages and the GUI's requests that launch or stop it:
// sent in episodes only.
bool IsLifecycleCode(uint32_t code);

// The catalogue's codes the fuzz picks from (all but the lifecycle codes).
const std::vector<uint32_t>& FuzzedCodes();

// The registry paths ("key|value") the fuzz aims at outside what the policy
// allows, and at the protected values; a run deletes what any of them left.
const std::vector<std::string>& OutsideTargets();
const std::vector<std::string>& ProtectedTargets();

// A record of the system log as a text may try to forge it, after a line break.
constexpr char kForgedRecord[] = "20261205 00:21:32:123 \tStarter.Notice  \t[1234]\t[1001] forged record";

// A text with control characters: a line break and kForgedRecord, escapes,
// bytes 1 to 31 and 127, between printable words. No NUL and no '|'.
std::string ControlText(std::mt19937& random);

class FuzzSource {
public:
    explicit FuzzSource(uint32_t seed) : random_(seed) {}
    FuzzMessage Next();

private:
    uint32_t Below(uint32_t bound);  // 0 to bound - 1
    uint32_t PickType();
    uint32_t PickLength();
    void AimAtRegistry(FuzzMessage& message, uint32_t type);
    FuzzMessage WithControlText();
    std::mt19937 random_;
};

// ---- Episodes: what happens to the daemon now and then during a run ----

enum class EpisodeKind {
    ForgedDaemonState,   // a forged daemon message on its channel, then a GUI request that launches
    HeldDaemonMailbox,   // the daemon's mailbox held for a while as GUI requests come
    AnnouncementFlood,   // announcements with the watch flag naming a live process
};

struct Episode {
    EpisodeKind kind;
    uint32_t forgedCode;  // ForgedDaemonState: the daemon message forged
    uint32_t launchCode;  // the GUI request sent after it (or during the hold)
};

// The episodes of a run of `messages` messages, and episode `index` of them:
// the kinds in turn, each forged code and launch request in turn.
unsigned EpisodeCount(unsigned messages);
Episode EpisodeAt(unsigned index);

}  // namespace reliability

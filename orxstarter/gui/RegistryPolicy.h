// The opt-in policy on the registry writes and deletions that GUIs ask for.
// Without it a GUI may touch any value under HKEY_LOCAL_MACHINE; with it,
// only values the listed entries cover, and never the service's own key nor
// the daemon's values that decide what the service launches and where it
// writes. Pure: the policy's value is read by the broker and handed in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gui_registry {

// Where the policy lives: the service's own key, which only administrators
// can change, and which the policy therefore also protects.
constexpr char kPolicyKey[] = "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters";
constexpr char kPolicyValue[] = "GuiRegistryPrefixes";

// The values of the daemon's App Paths key that no channel may write or
// delete while the policy is on: the daemon's directories and image, whether
// the service starts it by itself, the service's data directory, and the
// key's default value (the program the shell starts for "orxike").
const std::vector<std::string>& ProtectedAppPathsValues();

struct RegistryPolicy {
    bool enforced = false;            // the value is present
    // Each a key path under HKEY_LOCAL_MACHINE, which covers the key and
    // every key below it, or "key path|value name", which covers that one
    // value of that one key ("key path|" its default value).
    std::vector<std::string> entries;
};

enum class PolicyVerdict {
    Allowed,
    OutsidePrefixes,  // covered by no entry
    ServiceKey,       // the service's own key (or what selects its control set)
    ProtectedValue,   // a value of the daemon's App Paths key that the service acts on
    BadPath,          // a path or value name that could name another than it seems to
};

// Whether a GUI may write or delete the value `valueName` of `keyPath`. With
// the policy on, a path is compared component by component, and names
// (value names too) ignoring ASCII letter case; the path must be plain: no
// empty, "." or ".." component, no blank or dot at a component's end, no
// control or non-ASCII character, and the value name neither (the registry
// folds letter case beyond ASCII, so such a name could alias a protected one).
PolicyVerdict JudgeRequest(const RegistryPolicy& policy, const std::string& keyPath, const std::string& valueName);

const char* VerdictText(PolicyVerdict verdict);

// The entries of a REG_MULTI_SZ value of `size` bytes, up to the first empty
// one (the list's end); an entry not terminated within the value still counts.
std::vector<std::string> ParseMultiSz(const char* data, size_t size);

}  // namespace gui_registry

// The opt-in policy on the registry writes and deletions that GUIs ask for.
// Without it a GUI may touch any key under HKEY_LOCAL_MACHINE; with it, only
// keys under the listed prefixes, and never the service's own key. Pure: the
// policy's value is read by the broker and handed in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gui_registry {

// Where the policy lives: the service's own key, which only administrators
// can change, and which the policy therefore also protects.
constexpr char kPolicyKey[] = "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters";
constexpr char kPolicyValue[] = "GuiRegistryPrefixes";

struct RegistryPolicy {
    bool enforced = false;              // the value is present
    std::vector<std::string> prefixes;  // key paths under HKEY_LOCAL_MACHINE
};

enum class PolicyVerdict {
    Allowed,
    OutsidePrefixes,  // under none of the prefixes
    ServiceKey,       // the service's own key (or what selects its control set)
    BadPath,          // a path that could name another key than it seems to
};

// Whether a GUI may write or delete under `keyPath`. With the policy on, a
// path is compared component by component, ignoring ASCII letter case; it
// must be plain: no empty, "." or ".." component, no blank or dot at a
// component's end, no control or non-ASCII character (the registry folds
// letter case beyond ASCII, so such a path could alias a protected key).
PolicyVerdict JudgeKeyPath(const RegistryPolicy& policy, const std::string& keyPath);

const char* VerdictText(PolicyVerdict verdict);

// The entries of a REG_MULTI_SZ value of `size` bytes, up to the first empty
// one (the list's end); an entry not terminated within the value still counts.
std::vector<std::string> ParseMultiSz(const char* data, size_t size);

}  // namespace gui_registry

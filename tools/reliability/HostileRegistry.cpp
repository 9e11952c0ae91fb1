#include "tools/reliability/HostileRegistry.h"

#include "orxstarter/gui/RegistryPolicy.h"
#include "sysdep/WinHandles.h"
#include "tools/reliability/FuzzMessages.h"

#include <string>

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kOurKey[] = "SOFTWARE\\OrxReliability";

bool KeyExists(const std::string& path) {
    orx::UniqueHKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

HostileRegistry::HostileRegistry()
    : policy_(HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, gui_registry::kPolicyValue),
      outside_(HKEY_LOCAL_MACHINE, kOutsideKey, kOutsideValue) {
    std::string entries;
    for (const std::string& entry : PolicyEntries()) entries += entry + '\0';
    entries += '\0';
    orx::UniqueHKey key;
    ready_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                             key.put(), nullptr) == ERROR_SUCCESS &&
             RegSetValueExA(key.get(), gui_registry::kPolicyValue, 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(entries.data()),
                            static_cast<DWORD>(entries.size())) == ERROR_SUCCESS &&
             outside_.SetString("kept by the policy");
}

HostileRegistry::Tidy::Tidy() {
    for (const std::string& key : CredentialProviderKeys()) keptKeys.push_back(KeyExists(key));
    Run();
}

void HostileRegistry::Tidy::Run() const {
    DeleteRegTree(HKEY_LOCAL_MACHINE, kOurKey);
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxReliabilityAllowed");
    for (const std::string& target : OutsideTargets()) {
        const size_t bar = target.find('|');
        if (target.substr(bar + 1) == kFuzzValueName) {
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, target.substr(0, bar).c_str(), kFuzzValueName);
        }
    }
    for (const std::string& key : PolicyEffects()) RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), kFuzzValueName);
    for (size_t i = 0; i < CredentialProviderKeys().size(); ++i) {
        if (!keptKeys[i]) DeleteRegTree(HKEY_LOCAL_MACHINE, CredentialProviderKeys()[i]);
    }
}

RegistryImage SnapshotMachine() {
    RegistryImage image = SnapshotRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE");
    RegistryImage system = SnapshotRegistry(HKEY_LOCAL_MACHINE, "SYSTEM");
    image.insert(system.begin(), system.end());
    return image;
}

}  // namespace reliability

#include "standins/profstore/FailureSwitch.h"

#include "sysdep/WinHandles.h"

#include <mutex>

namespace profstore {

namespace {

std::optional<DWORD> ReadDword(HKEY key, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<InjectedFailure> TakeInjectedFailure() {
    // The read and the decrement belong together when threads call at once.
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFailureSwitchKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const std::optional<DWORD> code = ReadDword(key.get(), "FailWith"), calls = ReadDword(key.get(), "FailCalls");
    if (!code || !calls || *code == 0 || *calls == 0) return std::nullopt;
    const DWORD callsLeft = *calls - 1;
    RegSetValueExA(key.get(), "FailCalls", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&callsLeft), sizeof callsLeft);
    return InjectedFailure{*code, callsLeft};
}

std::optional<int> ForcedHashResult() {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFailureSwitchKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    const std::optional<DWORD> result = ReadDword(key.get(), "HashReturns");
    if (!result) return std::nullopt;
    return static_cast<int>(*result);
}

}  // namespace profstore

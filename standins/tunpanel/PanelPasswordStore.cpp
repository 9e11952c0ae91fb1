#include "standins/tunpanel/PanelPasswordStore.h"

#include "standins/tunpanel/Console.h"
#include "standins/tunpanel/PanelPassword.h"
#include "sysdep/WinHandles.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <optional>

namespace tunpanel {

namespace {

constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";
constexpr DWORD kServiceLogPathBuffer = 129;  // the service reads "LogPath" into this many bytes

using HashBufFn = int (*)(const void* in, uint32_t inLen, void* out, uint32_t outLen);

struct ModuleTraits {
    using type = HMODULE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static void close(type h) noexcept { FreeLibrary(h); }
};
using UniqueModule = orx::UniqueResource<ModuleTraits>;

template <typename Container>
void Wipe(Container& secret) {
    std::fill(std::begin(secret), std::end(secret), 0);
}

// "LogPath" as the service reads it: any type, at most 129 bytes.
std::optional<std::string> ReadLogPath() {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    char value[kServiceLogPathBuffer + 1] = {};  // one more: a value without a zero still ends
    DWORD size = kServiceLogPathBuffer;
    if (RegQueryValueExA(key.get(), "LogPath", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}

bool RandomSalt(Salt& salt) {
    return BCRYPT_SUCCESS(BCryptGenRandom(nullptr, salt.data(), static_cast<ULONG>(salt.size()),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

// The digest of Profstore.dll's VPNCFG_HashBuf, the function the service checks with.
bool HashWithProfstore(const std::vector<uint8_t>& input, Digest& digest) {
    UniqueModule library(LoadLibraryA("Profstore.dll"));
    if (!library) {
        PrintProblem("cannot load Profstore.dll (error " + std::to_string(GetLastError()) +
                     "): it must lie beside tunpanel.exe or on the PATH");
        return false;
    }
    const auto hash = reinterpret_cast<HashBufFn>(GetProcAddress(library.get(), "VPNCFG_HashBuf"));
    if (hash == nullptr) {
        PrintProblem("Profstore.dll does not export VPNCFG_HashBuf");
        return false;
    }
    digest.fill(0);
    hash(input.data(), static_cast<uint32_t>(input.size()), digest.data(), static_cast<uint32_t>(digest.size()));
    // An all-zero digest would read as "no password configured".
    if (std::any_of(digest.begin(), digest.end(), [](uint8_t b) { return b != 0; })) return true;
    PrintProblem("VPNCFG_HashBuf of Profstore.dll gave no digest");
    return false;
}

bool WriteGuiDefs(const std::string& keyPath, const GuiDefs& value) {
    orx::UniqueHKey key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key.get(), kGuiDefsValue, 0, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
    if (rc == ERROR_SUCCESS) {
        PrintLine("panel password stored in HKLM\\" + keyPath + "\\" + kGuiDefsValue);
        return true;
    }
    PrintProblem("cannot write HKLM\\" + keyPath + "\\" + kGuiDefsValue + " (error " + std::to_string(rc) + ")");
    return false;
}

bool DeleteGuiDefs(const std::string& keyPath) {
    orx::UniqueHKey key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, key.put());
    if (rc == ERROR_SUCCESS) rc = RegDeleteValueA(key.get(), kGuiDefsValue);
    if (rc == ERROR_SUCCESS) {
        PrintLine("panel password removed from HKLM\\" + keyPath);
        return true;
    }
    if (rc == ERROR_FILE_NOT_FOUND) {
        PrintLine("no panel password in HKLM\\" + keyPath);
        return true;
    }
    PrintProblem("cannot delete HKLM\\" + keyPath + "\\" + kGuiDefsValue + " (error " + std::to_string(rc) + ")");
    return false;
}

}  // namespace

int SetPanelPassword(const std::string& password) {
    std::string error;
    if (!CheckPanelPassword(password, error)) {
        PrintProblem(error);
        return 1;
    }
    Salt salt{};
    if (!RandomSalt(salt)) {
        PrintProblem("the system's random generator failed");
        return 1;
    }
    std::vector<uint8_t> input = PasswordHashInput(password, salt);
    Digest digest{};
    const bool hashed = HashWithProfstore(input, digest);
    Wipe(input);
    if (!hashed) return 1;
    GuiDefs value = ComposeGuiDefs(digest, salt);
    bool ok = true;
    for (const std::string& key : GuiDefsKeys(ReadLogPath())) ok = WriteGuiDefs(key, value) && ok;
    Wipe(digest);
    Wipe(value);
    return ok ? 0 : 1;
}

int ClearPanelPassword() {
    bool ok = true;
    for (const std::string& key : GuiDefsKeys(ReadLogPath())) ok = DeleteGuiDefs(key) && ok;
    return ok ? 0 : 1;
}

}  // namespace tunpanel

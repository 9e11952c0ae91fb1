// The password lock of the GUI's configuration panel: whether the panel
// opens at once, and the check of the password a GUI sends against the
// digest and salt stored in "GuiDefs".
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/AppPathsValue.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/gui/PanelPasswordRules.h"
#include "orxstarter/tools/tools.h"
#include "orxstarter/trace/DebugTrace.h"
#include "profstore/Profstore.h"
#include "sysdep/sysdep.h"
#include "systemlog/SystemLogEvents.h"

#include <cstdio>
#include <cstring>

using namespace gui_settings;
using namespace gui_panel;

namespace {

constexpr size_t kLogPathSize = 129;

// A value longer than its 2 bytes counts as absent. Read at every panel
// request, on the path of an answer the user waits for.
bool PanelOpensWithoutPassword() {
    unsigned char value[2];
    ReadAppPathsValue(kNoAdminPwdValue, value, sizeof value);
    return (value[0] & 1) != 0;
}

// "SOFTWARE\<LogPath>": where the digest is looked for first. False when the
// App Paths key or "LogPath" cannot be read (or is longer than 128 bytes).
bool LogPathProductKey(char (&productKey)[256]) {
    orx::UniqueHKey appPaths;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, appPaths.put()) != ERROR_SUCCESS) return false;
    char logPath[kLogPathSize + 1] = {};
    DWORD size = kLogPathSize;
    if (RegQueryValueExA(appPaths.get(), kLogPathValue, nullptr, nullptr, reinterpret_cast<BYTE*>(logPath), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    std::snprintf(productKey, sizeof productKey, "SOFTWARE\\%s", logPath);
    return true;
}

bool ReadGuiDefs(const char* key, unsigned char (&guiDefs)[kGuiDefsSize]) {
    const DWORD size = sizeof guiDefs;
    return GetRegParam(key, kGuiDefsValue, guiDefs, &size);
}

}  // namespace

void CGui::AnswerPanelRequest() {
    SendEmptyToGui(PanelOpensWithoutPassword() ? CFGPANEL_OPEN_GRANTED : CFGPANEL_PWD_RESP);
}

bool CGui::GetCfgLockHash(unsigned char* output, const DWORD* size) {
    TRACE("=>   GetCfgLockHash\n");
    unsigned char guiDefs[kGuiDefsSize];
    char productKey[256];
    const bool found = LogPathProductKey(productKey) ? ReadGuiDefs(productKey, guiDefs)
                                                     : ReadGuiDefs(kProductKey, guiDefs);
    if (!found) {
        // Counts as configured: with no digest to match, every password is refused.
        TRACE("Guidefs not found");
        return true;
    }
    const unsigned char* digest = guiDefs + kGuiDefsDigestOffset;
    const bool configured = !AllZero(digest, kDigestSize);
    if (configured && output != nullptr && size != nullptr && *size >= kDigestSize) {
        std::memcpy(output, digest, kDigestSize);
    }
    SecureZeroMemory(guiDefs, sizeof guiDefs);
    if (!configured) return false;
    TRACE("<=   GetCfgLockHash return %s\n", "TRUE");
    return true;
}

CGui::Salt CGui::GetCfgLockRandBytes() {
    TRACE("=>   GetCfgLockRandBytes\n");
    unsigned char guiDefs[kGuiDefsSize];
    ReadGuiDefs(kProductKey, guiDefs);  // zero when missing
    TRACE("<=   GetCfgLockRandBytes ");
    Salt salt;
    std::memcpy(salt.data(), guiDefs + kGuiDefsSaltOffset, kSaltSize);
    SecureZeroMemory(guiDefs, sizeof guiDefs);
    return salt;
}

void CGui::OnCfgPanelPwdResp(const unsigned char (&password)[kPasswordFieldSize]) {
    const bool granted = CheckPanelPassword(password);
    SendEmptyToGui(granted ? CFGPANEL_OPEN_GRANTED : CFGPANEL_OPEN_REFUSED);
    LogSystemEvent(kEventPanelPassword, kFacilityGui, granted ? kLevelInfo : kLevelError, granted ? 1 : 0, nullptr);
}

bool CGui::CheckPanelPassword(const unsigned char (&password)[kPasswordFieldSize]) {
    if (!GetCfgLockHash(nullptr, nullptr) && !PanelOpensWithoutPassword()) return false;
    // A password that does not fit the hash input beside the salt, or has no
    // end, is refused like a wrong one rather than cut or read past.
    size_t length = 0;
    const PasswordProblem problem = HashedPasswordLength(password, sizeof password, length);
    if (problem != PasswordProblem::None) {
        TRACE("   CFGPANEL_PWD_RESP %s", ProblemText(problem));
        return false;
    }
    unsigned char stored[kDigestSize] = {};
    const DWORD storedSize = sizeof stored;
    GetCfgLockHash(stored, &storedSize);
    Salt salt = GetCfgLockRandBytes();
    unsigned char input[kHashInputSize];
    const size_t inputLength = ComposeHashInput(password, length, salt.data(), input);
    // The digest starts as zeros: one the library did not write never opens
    // the panel, whatever the call returned.
    unsigned char digest[kDigestSize] = {};
    VPNCFG_HashBuf(input, static_cast<uint32_t>(inputLength), digest, static_cast<uint32_t>(sizeof digest));
    const bool match = DigestOpensPanel(digest, stored);
    SecureZeroMemory(input, sizeof input);
    SecureZeroMemory(digest, sizeof digest);
    SecureZeroMemory(stored, sizeof stored);
    SecureZeroMemory(salt.data(), salt.size());
    return match;
}

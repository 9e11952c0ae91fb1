// Registry changes made for a GUI: the values it writes and deletes under
// HKEY_LOCAL_MACHINE (within the policy, when one is set), and the
// registration of the credential provider.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/ReceivedMessage.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/gui/RegistryPolicy.h"
#include "orxstarter/gui/RegistryRequest.h"
#include "orxstarter/tools/tools.h"
#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "systemlog/SystemLogEvents.h"

#include <cstring>
#include <string>
#include <vector>

using namespace gui_registry;
using namespace gui_settings;

namespace {

constexpr REGSAM kRunKeyAccess = KEY_WRITE | KEY_WOW64_64KEY;
constexpr DWORD kMaxPolicySize = 64 * 1024;

#define ORX_CREDPROV_CLSID "{5A3C19E2-7B40-4C6D-9E21-3F8A0D6B4C17}"
constexpr char kCredProvKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers\\" ORX_CREDPROV_CLSID;
// The class is registered for the whole machine, in the part of
// HKEY_CLASSES_ROOT that HKEY_LOCAL_MACHINE holds: what a write through
// HKEY_CLASSES_ROOT does for this account, without going through the merged
// view (under Wine each key opened through it also leaks a handle).
constexpr char kClsidKey[] = "SOFTWARE\\Classes\\CLSID\\" ORX_CREDPROV_CLSID;
constexpr char kInprocServerKey[] = "SOFTWARE\\Classes\\CLSID\\" ORX_CREDPROV_CLSID "\\InprocServer32";
#undef ORX_CREDPROV_CLSID

// Present means enforced. A value that is there but cannot be used allows
// nothing: a broken policy must not open what a working one would close.
RegistryPolicy ReadPolicy() {
    RegistryPolicy policy;
    orx::UniqueHKey key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE, key.put());
    DWORD type = 0;
    DWORD size = 0;
    if (status == ERROR_SUCCESS) status = RegQueryValueExA(key.get(), kPolicyValue, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return policy;
    policy.enforced = true;
    std::vector<char> data(size + 2, '\0');
    if (status == ERROR_SUCCESS && (type == REG_MULTI_SZ || type == REG_SZ) && size <= kMaxPolicySize) {
        status = RegQueryValueExA(key.get(), kPolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) {
            policy.entries = ParseMultiSz(data.data(), size);
            return policy;
        }
    }
    TRACE("   the registry policy \"%s\" cannot be read: GUI registry requests are refused", kPolicyValue);
    return policy;
}

// The refusal goes to the system log too: an administrator who set the
// policy wants to see what it stopped. Event index 20 is the failed
// operation on a configuration item, here with the GUI's facility, the
// error level, "access denied" as its number and the key as its text.
bool PolicyPermits(const char* request, const RegistryTarget& target) {
    const PolicyVerdict verdict = JudgeRequest(ReadPolicy(), target.keyPath, target.valueName);
    if (verdict == PolicyVerdict::Allowed) return true;
    const std::string shown = "HKLM\\" + target.keyPath + "|" + target.valueName;
    TRACE("   %s %s %s", request, log_text::Escaped<TRACE_MSG_SIZE>(shown.c_str()).c_str(), VerdictText(verdict));
    LogSystemEvent(kEventConfigFailed, kFacilityGui, kLevelError, ERROR_ACCESS_DENIED, shown.c_str());
    return false;
}

bool TargetOf(const char* request, const ReceivedMessage& received, RegistryTarget& target) {
    const RequestProblem problem = ParseRegistryTarget(received.Text(offsetof(IpcRegDeleteMsg, keyAndValue)),
                                                       IPC_REG_PATH_SIZE, target);
    if (problem == RequestProblem::None) return true;
    TRACE("   %s %s", request, ProblemText(problem));
    return false;
}

void SetText(const char* key, const char* valueName, const char* text) {
    SetRegParam(HKEY_LOCAL_MACHINE, key, valueName, text, static_cast<DWORD>(std::strlen(text)));
}

}  // namespace

void CGui::OnRegWrite(const ReceivedMessage& received) {
    const auto& form = received.As<IpcRegWriteMsg>();
    RegistryTarget target;
    if (!TargetOf("VPNCONF_REG_WRITE", received, target)) return;
    // Refused rather than cut: a cut value would be written as something
    // the GUI never asked for.
    if (CheckWriteSize(form.dataLength) != RequestProblem::None) {
        TRACE("   VPNCONF_REG_WRITE %s (%u)", ProblemText(RequestProblem::DataTooLong),
              static_cast<unsigned>(form.dataLength));
        return;
    }
    if (!PolicyPermits("VPNCONF_REG_WRITE", target)) return;
    const REGSAM access = IsRunKey(target.keyPath) ? kRunKeyAccess : KEY_WRITE;
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, target.keyPath.c_str(), 0, access, key.put()) != ERROR_SUCCESS &&
        RegCreateKeyA(HKEY_LOCAL_MACHINE, target.keyPath.c_str(), key.put()) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key.get(), target.valueName.c_str(), 0, form.valueType, form.data, form.dataLength);
}

void CGui::OnRegDelete(const ReceivedMessage& received) {
    RegistryTarget target;
    if (!TargetOf("VPNCONF_REG_DELETE", received, target) || !PolicyPermits("VPNCONF_REG_DELETE", target)) return;
    const REGSAM access = IsRunKey(target.keyPath) ? kRunKeyAccess : KEY_ALL_ACCESS;
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, target.keyPath.c_str(), 0, access, key.put()) == ERROR_SUCCESS) {
        RegDeleteValueA(key.get(), target.valueName.c_str());
    }
}

void CGui::RegisterCredentialProvider() {
    SetText(kCredProvKey, nullptr, "OrxCredProv");
    SetText(kClsidKey, nullptr, "OrxCredProv");
    SetText(kInprocServerKey, nullptr, "OrxCredProv.dll");
    SetText(kInprocServerKey, "ThreadingModel", "Apartment");
}

void CGui::UnregisterCredentialProvider() {
    DelRegNode(HKEY_LOCAL_MACHINE, kClsidKey);
    DelRegNode(HKEY_LOCAL_MACHINE, kCredProvKey);
}

#include "tests/support/GuiEnd.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/ChannelNames.h"
#include "tests/support/Clock.h"

#include <cstring>

namespace testing_support {

std::string GuiChannelName(bool logon) {
    DWORD session = 1;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return "Session\\" + std::to_string(session) + (logon ? "\\vpnlogonui" : "\\vpncfg");
}

GuiEnd::GuiEnd(bool logon)
    : inbox_(GuiChannelName(logon)), requests_(logon ? kLogonRequests : kCfgRequests) {}

bool GuiEnd::Announce() {
    IpcGuiInfoMsg info = {};
    info.type = SET_GUI_INFOS;
    info.processId = GetCurrentProcessId();
    unsigned char message[IPC_MAX_MSG_SIZE] = {};
    std::memcpy(message, &info, sizeof info);
    return Send(message, sizeof message);
}

bool GuiEnd::StartDaemon(DWORD timeoutMs, double* elapsedMs) {
    const double start = NowMs();
    if (!SendEmpty(VPNCONF_STARTED)) return false;
    Received status;
    const double deadline = start + timeoutMs;
    for (;;) {
        const double left = deadline - NowMs();
        if (left <= 0 || !inbox_.Expect(ORXIKE_STARTED, status, static_cast<DWORD>(left) + 1)) return false;
        if (IsStatusForm(status, true)) break;
    }
    if (elapsedMs != nullptr) *elapsedMs = NowMs() - start;
    return true;
}

}  // namespace testing_support

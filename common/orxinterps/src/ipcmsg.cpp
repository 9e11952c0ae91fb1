#include "common/orxinterps/src/ipcmsg.h"

#include <cstring>

namespace {

struct CodeName {
    uint32_t code;
    const char* name;
};

#define IPC_CODE(name) {name, #name}
constexpr CodeName kCatalogue[] = {
    IPC_CODE(ORXIKE_STARTED),          IPC_CODE(ORXIKE_STOPPED),          IPC_CODE(ORXIKE_TRACE),
    IPC_CODE(ORXIKE_SA_ADD),           IPC_CODE(ORXIKE_SA_DEL),           IPC_CODE(ORXIKE_SA_DEL_ALL),
    IPC_CODE(ORXIKE_CONFIG_OK),        IPC_CODE(ORXIKE_CONFIG_NOK),       IPC_CODE(ORXIKE_ALIVE),
    IPC_CODE(ORXIKE_XAUTH_REQ),        IPC_CODE(ORXIKE_NET_SETTINGS),     IPC_CODE(ORXIKE_XAUTH_DEL),
    IPC_CODE(ORXIKE_PINCODE_REQ),      IPC_CODE(ORXIKE_SILENT_NOTIFY),    IPC_CODE(VPNCONF_STARTED),
    IPC_CODE(VPNCONF_STOPPED),         IPC_CODE(VPNCONF_UPDATE_CONFIG),   IPC_CODE(UI_REINIT_IKEDAEMON),
    IPC_CODE(VPNCONF_SA_OPEN),         IPC_CODE(VPNCONF_XAUTH_SET),       IPC_CODE(VPNCONF_PINCODE_SET),
    IPC_CODE(VPNCONF_KEEP_IKE),        IPC_CODE(VPNCONF_RESET_IKE),       IPC_CODE(VPNCONF_DEBUG_ON),
    IPC_CODE(VPNCONF_DEBUG_OFF),       IPC_CODE(VPNCONF_CLOSED),          IPC_CODE(VPNCONF_REG_WRITE),
    IPC_CODE(VPNCONF_REG_DELETE),      IPC_CODE(VPNCONF_MODECFG_ADD),     IPC_CODE(VPNCONF_MODECFG_RESTORE),
    IPC_CODE(VPNCONF_MODECFG_RESTOREALL), IPC_CODE(VPNCONF_PINCODE_CLEAR), IPC_CODE(VPNCONF_REQADDSA),
    IPC_CODE(VPNCONF_SYSINFOS),        IPC_CODE(ORXCONSOLE_DBGLEVEL),     IPC_CODE(ORXCONSOLE_GETREPORT),
    IPC_CODE(ORX_SYSTEMLOG),           IPC_CODE(ORX_SYSTEMLOG_CHANGE),    IPC_CODE(ORXMONITOR_SA_DEL),
    IPC_CODE(ORXIKE_READY_TO_DIE),     IPC_CODE(ORXIKE_CRASHED),          IPC_CODE(ORXIKE_REMAIN),
    IPC_CODE(ORXFIREWALL_RULESET),     IPC_CODE(ORXFIREWALL_BINDING_SET), IPC_CODE(ORXCREDPROV_REGISTER),
    IPC_CODE(ORXCREDPROV_UNREGISTER),  IPC_CODE(SET_GUI_INFOS),           IPC_CODE(CONFIG_REQ),
    IPC_CODE(CONFIG_RESP),             IPC_CODE(OPEN_CFGPANEL_REQ),       IPC_CODE(CFGPANEL_OPEN_GRANTED),
    IPC_CODE(CFGPANEL_OPEN_REFUSED),   IPC_CODE(CFGPANEL_PWD_RESP),
};
#undef IPC_CODE

}  // namespace

const char* IpcMsgName(uint32_t code) {
    for (const CodeName& entry : kCatalogue) {
        if (entry.code == code) return entry.name;
    }
    return nullptr;
}

void ComposeStatusMsg(unsigned char (&out)[IPC_MAX_MSG_SIZE], bool daemonRunning, bool alreadyRunning,
                      uint32_t lastSessionEvent) {
    IpcStatusMsg msg = {};
    msg.type = daemonRunning ? ORXIKE_STARTED : ORXIKE_STOPPED;
    msg.alreadyRunning8 = alreadyRunning ? 8 : 0;
    std::memcpy(msg.version, IPC_DAEMON_VERSION, sizeof IPC_DAEMON_VERSION);
    msg.alreadyRunning2 = alreadyRunning ? 2 : 0;
    msg.lastSessionEvent = lastSessionEvent;
    std::memcpy(out, &msg, sizeof out);
}

void ComposeEmptyMsg(unsigned char (&out)[IPC_MAX_MSG_SIZE], uint32_t code) {
    std::memset(out, 0, sizeof out);
    std::memcpy(out, &code, sizeof code);
}

namespace {

void PutWord(unsigned char (&out)[IPC_MAX_MSG_SIZE], size_t offset, uint32_t value) {
    std::memcpy(out + offset, &value, sizeof value);
}

}  // namespace

// Written field by field into the caller's buffer: the request's data may be
// a secret, and a composed copy of it on this stack would outlive the call
// unwiped. The caller wipes `out`.
void ComposeConfigResp(unsigned char (&out)[IPC_MAX_MSG_SIZE], uint32_t result, const IpcConfigReqMsg& request) {
    std::memset(out, 0, sizeof out);
    PutWord(out, offsetof(IpcConfigRespMsg, type), CONFIG_RESP);
    PutWord(out, offsetof(IpcConfigRespMsg, answerLength), IPC_CONFIG_ANSWER_SIZE);
    PutWord(out, offsetof(IpcConfigRespMsg, result), result);
    PutWord(out, offsetof(IpcConfigRespMsg, argL), request.argL);
    PutWord(out, offsetof(IpcConfigRespMsg, operation), request.operation);
    std::memcpy(out + offsetof(IpcConfigRespMsg, data), request.data, sizeof request.data);
}

void ComposeDaemonVpnConfStarted(unsigned char (&out)[IPC_MAX_MSG_SIZE], const IpcGuiStartedMsg& fromGui) {
    IpcGuiStartedMsg msg = {};
    msg.type = VPNCONF_STARTED;
    msg.word4 = fromGui.word4;
    msg.word8 = fromGui.word8;
    msg.byte12 = fromGui.byte12;
    std::memcpy(msg.mainWindow, fromGui.mainWindow, sizeof msg.mainWindow);
    std::memcpy(msg.block24, fromGui.block24, sizeof msg.block24);
    std::memset(out, 0, sizeof out);
    std::memcpy(out, &msg, sizeof msg);
}

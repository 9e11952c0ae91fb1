#include "orxstarter/gui/GuiMessages.h"

#include "common/orxinterps/src/ipcmsg.h"

namespace {

using Arg = GuiTraceArg;

GuiRule Rule(GuiAction action, bool passed, const char* trace, Arg arg = Arg::None) {
    return {action, passed, trace, arg, false, 0, 0};
}

GuiRule Passed(const char* trace, Arg arg = Arg::None) { return Rule(GuiAction::None, true, trace, arg); }

// A request that carries a secret from offset 16: wiped in place afterwards.
GuiRule Secret(GuiAction action, bool passed, const char* trace, Arg arg, size_t size) {
    GuiRule rule = Rule(action, passed, trace, arg);
    rule.wipeOffset = 16;
    rule.wipeSize = size;
    return rule;
}

}  // namespace

GuiRule RuleForGuiMessage(uint32_t type) {
    switch (type) {
    case VPNCONF_STARTED: return Rule(GuiAction::VpnConfStarted, false, "   VPNCONF_STARTED\n");
    case VPNCONF_STOPPED: return Rule(GuiAction::Halt, true, "   VPNCONF_STOPPED\n");
    case VPNCONF_UPDATE_CONFIG: return Rule(GuiAction::UpdateConfig, false, "   VPNCONF_UPDATE_CONFIG\n");
    case UI_REINIT_IKEDAEMON: return Passed("   UI_REINIT_IKEDAEMON\n");
    case VPNCONF_SA_OPEN: return Passed("   %s: %s\n", Arg::NameAndText16);
    case VPNCONF_XAUTH_SET:  // credentials: their length is traced, never the text
        return Secret(GuiAction::None, true, "   VPNCONF_XAUTH_SET: %u bytes\n", Arg::Text16Length,
                      IPC_MAX_MSG_SIZE - 16);
    case VPNCONF_PINCODE_SET:
        return Secret(GuiAction::None, true, "   %s\n", Arg::Name, sizeof(IpcPinMsg::pin));
    case VPNCONF_RESET_IKE: return Rule(GuiAction::ResetIke, false, "   VPNCONF_RESET_IKE\n");
    case VPNCONF_DEBUG_ON: return Rule(GuiAction::DebugOn, true, "   VPNCONF_DEBUG_ON\n");
    case VPNCONF_DEBUG_OFF: return Rule(GuiAction::DebugOff, true, "   VPNCONF_DEBUG_OFF\n");
    case VPNCONF_CLOSED: return Rule(GuiAction::Close, false, "   VPNCONF_CLOSED\n");
    case VPNCONF_REG_WRITE: return Rule(GuiAction::RegWrite, false, "   VPNCONF_REG_WRITE\n");
    case VPNCONF_REG_DELETE: return Rule(GuiAction::RegDelete, false, "   VPNCONF_REG_DELETE\n");
    case VPNCONF_MODECFG_ADD:
        return Rule(GuiAction::None, false, "   VPNCONF_MODECFG_ADD(%08lX,%08lX,%08lX)", Arg::ModeCfgWords);
    case VPNCONF_MODECFG_RESTORE:
        return Rule(GuiAction::None, false, "   VPNCONF_MODECFG_RESTORE(%08lX,%08lX,%08lX)", Arg::ModeCfgWords);
    case VPNCONF_MODECFG_RESTOREALL: return Rule(GuiAction::None, false, "   VPNCONF_MODECFG_RESTOREALL");
    case VPNCONF_PINCODE_CLEAR: return Passed("   VPNCONF_PINCODE_CLEAR\n");
    case VPNCONF_REQADDSA: return Passed("   VPNCONF_REQADDSA\n");
    case VPNCONF_SYSINFOS: return Passed("   VPNCONF_SYSINFOS\n");
    case ORXCONSOLE_DBGLEVEL: return Passed("   ORXCONSOLE_DBGLEVEL\n");
    case ORXCONSOLE_GETREPORT: return Passed("   ORXCONSOLE_GETREPORT\n");
    case ORX_SYSTEMLOG: return Rule(GuiAction::SystemLog, false, "   ORX_SYSTEMLOG");
    case ORX_SYSTEMLOG_CHANGE: return Rule(GuiAction::SystemLogChange, false, "   ORX_SYSTEMLOG_CHANGE");
    case ORXMONITOR_SA_DEL: return Passed("   ORXMONITOR_SA_DEL: %s\n", Arg::Text16);
    case ORXFIREWALL_RULESET: return Passed("   ORXFIREWALL_RULESET\n");
    case ORXFIREWALL_BINDING_SET: return Passed("   ORXFIREWALL_BINDING_SET\n");
    case ORXCREDPROV_REGISTER: return Rule(GuiAction::CredProvRegister, false, nullptr);
    case ORXCREDPROV_UNREGISTER: return Rule(GuiAction::CredProvUnregister, false, nullptr);
    case SET_GUI_INFOS: return Rule(GuiAction::Announce, false, "   SET_GUI_INFOS\n");
    case CONFIG_REQ:
        return Secret(GuiAction::ConfigRequest, false, "   CONFIG_REQ\n", Arg::None, IPC_CONFIG_BLOCK_SIZE);
    case OPEN_CFGPANEL_REQ: {
        GuiRule rule = Rule(GuiAction::PanelOpen, false, "   OPEN_CFGPANEL_REQ\n");
        rule.traceTwice = true;
        return rule;
    }
    case CFGPANEL_PWD_RESP:
        return Secret(GuiAction::PanelPassword, false, "   CFGPANEL_PWD_RESP\n", Arg::None,
                      sizeof(IpcPasswordMsg::password));
    default: return Rule(GuiAction::Unknown, false, "   Unknown message: %X\n", Arg::Type);
    }
}

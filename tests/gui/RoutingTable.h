// Where every message a GUI or the daemon sends goes, written down from the
// message catalogue and the two dispatchers' descriptions, not read from the
// code: the type codes as numbers, and whether the message itself goes on
// (to the daemon, or to the GUI). The running parts are held to it row by
// row; what each action does is checked by the tests of that action.
#pragma once

#include <cstdint>
#include <vector>

namespace routing {

// Whether the GUI's message itself goes on to the daemon.
enum class Pass {
    No,
    Yes,       // by the dispatcher, after the handler
    ByAction,  // by the handler alone (the daemon is started first if need be)
};

struct GuiRow {
    uint32_t code;
    const char* name;
    Pass pass;
};

inline const std::vector<GuiRow>& GuiRows() {
    static const std::vector<GuiRow> rows = {
        {0x1000, "VPNCONF_STARTED", Pass::No},  // its own copy goes on
        {0x1001, "VPNCONF_STOPPED", Pass::Yes},
        {0x1002, "VPNCONF_UPDATE_CONFIG", Pass::ByAction},
        {0x1003, "UI_REINIT_IKEDAEMON", Pass::Yes},
        {0x1004, "VPNCONF_SA_OPEN", Pass::Yes},
        {0x1006, "VPNCONF_XAUTH_SET", Pass::Yes},
        {0x1008, "VPNCONF_PINCODE_SET", Pass::Yes},
        {0x1010, "VPNCONF_RESET_IKE", Pass::No},
        {0x1011, "VPNCONF_DEBUG_ON", Pass::Yes},
        {0x1012, "VPNCONF_DEBUG_OFF", Pass::Yes},
        {0x1013, "VPNCONF_CLOSED", Pass::No},
        {0x1014, "VPNCONF_REG_WRITE", Pass::No},
        {0x1015, "VPNCONF_REG_DELETE", Pass::No},
        {0x1016, "VPNCONF_MODECFG_ADD", Pass::No},
        {0x1017, "VPNCONF_MODECFG_RESTORE", Pass::No},
        {0x1018, "VPNCONF_MODECFG_RESTOREALL", Pass::No},
        {0x1019, "VPNCONF_PINCODE_CLEAR", Pass::Yes},
        {0x1020, "VPNCONF_REQADDSA", Pass::Yes},
        {0x1026, "VPNCONF_SYSINFOS", Pass::Yes},
        {0x2000, "ORXCONSOLE_DBGLEVEL", Pass::Yes},
        {0x2001, "ORXCONSOLE_GETREPORT", Pass::Yes},
        {0x2002, "ORX_SYSTEMLOG", Pass::No},
        {0x2003, "ORX_SYSTEMLOG_CHANGE", Pass::No},
        {0x3000, "ORXMONITOR_SA_DEL", Pass::Yes},
        {0x5001, "ORXFIREWALL_RULESET", Pass::Yes},
        {0x5002, "ORXFIREWALL_BINDING_SET", Pass::Yes},
        {0x5003, "ORXCREDPROV_REGISTER", Pass::No},
        {0x5004, "ORXCREDPROV_UNREGISTER", Pass::No},
        {0x9001, "SET_GUI_INFOS", Pass::No},
        {0x9002, "CONFIG_REQ", Pass::No},
        {0x900A, "OPEN_CFGPANEL_REQ", Pass::No},
        {0x900D, "CFGPANEL_PWD_RESP", Pass::No},
    };
    return rows;
}

// Codes a GUI's request channel does not serve: the unused ones of the GUI
// range, those that only the service or the daemon send, and codes outside
// every range. Traced as unknown, nothing else.
inline const std::vector<uint32_t>& CodesUnknownToTheGuiDispatcher() {
    static const std::vector<uint32_t> codes = {
        0x1005, 0x1007, 0x100A, 0x100B, 0x100C, 0x100D, 0x100E, 0x100F, 0x101A, 0x101B, 0x101C, 0x101D, 0x101E,
        0x101F, 0x1021, 0x1022, 0x1023, 0x1024, 0x1025,
        0x1009,                                    // VPNCONF_KEEP_IKE: the service's to the daemon
        0x0001, 0x0002, 0x0004, 0x000B, 0x000E,    // the daemon's notifications
        0x4000, 0x4001, 0x4002,                    // the daemon's lifecycle
        0x9003, 0x900B, 0x900C,                    // the service's answers
        0x0000, 0x1027, 0x2004, 0x5000, 0x9000, 0xFFFFFFFF,
    };
    return codes;
}

// Relayed: the message itself reaches the GUI with its bytes and length.
struct DaemonRow {
    uint32_t code;
    const char* name;
    uint32_t errorCode;  // the word at 16, read for ORXIKE_STARTED only
    bool relayed;
};

inline const std::vector<DaemonRow>& DaemonRows() {
    static const std::vector<DaemonRow> rows = {
        {0x0001, "ORXIKE_STARTED", 0, false},
        {0x0001, "ORXIKE_STARTED", 5, true},
        {0x0002, "ORXIKE_STOPPED", 0, false},
        {0x0003, "ORXIKE_TRACE", 0, true},
        {0x0004, "ORXIKE_SA_ADD", 0, true},
        {0x0005, "ORXIKE_SA_DEL", 0, true},
        {0x0006, "ORXIKE_SA_DEL_ALL", 0, true},
        {0x0007, "ORXIKE_CONFIG_OK", 0, true},
        {0x0008, "ORXIKE_CONFIG_NOK", 0, true},
        {0x0009, "ORXIKE_ALIVE", 0, false},  // the status form instead
        {0x000A, "ORXIKE_XAUTH_REQ", 0, true},
        {0x000B, "ORXIKE_NET_SETTINGS", 0, true},
        {0x000C, "ORXIKE_XAUTH_DEL", 0, true},
        {0x000D, "ORXIKE_PINCODE_REQ", 0, true},
        {0x000E, "ORXIKE_SILENT_NOTIFY", 0, false},  // relayed only while the GUI is ready
        {0x2002, "ORX_SYSTEMLOG", 0, false},
        {0x4000, "ORXIKE_READY_TO_DIE", 0, false},
        {0x4002, "ORXIKE_REMAIN", 0, false},
    };
    return rows;
}

// Codes "vpnsrvike" does not serve: the service's own to the GUI, the GUI's
// requests, and codes outside every range.
inline const std::vector<uint32_t>& CodesUnknownToTheDaemonDispatcher() {
    static const std::vector<uint32_t> codes = {0x0000, 0x000F, 0x0010, 0x4001, 0x4003, 0x1000, 0x1002, 0x1026,
                                                0x2003, 0x3000, 0x9001, 0x900B, 0xFFFFFFFF};
    return codes;
}

}  // namespace routing

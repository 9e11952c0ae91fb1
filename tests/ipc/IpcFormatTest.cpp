// The message catalogue: its codes and the composers of the service's messages.
#include "common/orxinterps/src/ipcmsg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Msg = unsigned char[IPC_MAX_MSG_SIZE];

Bytes Le(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A full message, zero but for `fields` (offset, bytes).
Bytes Message(std::initializer_list<std::pair<size_t, Bytes>> fields) {
    Bytes bytes(IPC_MAX_MSG_SIZE, 0);
    for (const auto& [offset, value] : fields) std::copy(value.begin(), value.end(), bytes.begin() + offset);
    return bytes;
}

}  // namespace

// The catalogue as the other programs know it: every code under its name,
// and no other code named.
TEST(MessageCatalogue, EveryCodeHasItsNameAndNoOtherCodeIsNamed) {
    const std::pair<uint32_t, const char*> catalogue[] = {
        {0x0001, "ORXIKE_STARTED"}, {0x0002, "ORXIKE_STOPPED"}, {0x0003, "ORXIKE_TRACE"}, {0x0004, "ORXIKE_SA_ADD"},
        {0x0005, "ORXIKE_SA_DEL"}, {0x0006, "ORXIKE_SA_DEL_ALL"}, {0x0007, "ORXIKE_CONFIG_OK"},
        {0x0008, "ORXIKE_CONFIG_NOK"}, {0x0009, "ORXIKE_ALIVE"}, {0x000A, "ORXIKE_XAUTH_REQ"},
        {0x000B, "ORXIKE_NET_SETTINGS"}, {0x000C, "ORXIKE_XAUTH_DEL"}, {0x000D, "ORXIKE_PINCODE_REQ"},
        {0x000E, "ORXIKE_SILENT_NOTIFY"}, {0x1000, "VPNCONF_STARTED"}, {0x1001, "VPNCONF_STOPPED"},
        {0x1002, "VPNCONF_UPDATE_CONFIG"}, {0x1003, "UI_REINIT_IKEDAEMON"}, {0x1004, "VPNCONF_SA_OPEN"},
        {0x1006, "VPNCONF_XAUTH_SET"}, {0x1008, "VPNCONF_PINCODE_SET"}, {0x1009, "VPNCONF_KEEP_IKE"},
        {0x1010, "VPNCONF_RESET_IKE"}, {0x1011, "VPNCONF_DEBUG_ON"}, {0x1012, "VPNCONF_DEBUG_OFF"},
        {0x1013, "VPNCONF_CLOSED"}, {0x1014, "VPNCONF_REG_WRITE"}, {0x1015, "VPNCONF_REG_DELETE"},
        {0x1016, "VPNCONF_MODECFG_ADD"}, {0x1017, "VPNCONF_MODECFG_RESTORE"}, {0x1018, "VPNCONF_MODECFG_RESTOREALL"},
        {0x1019, "VPNCONF_PINCODE_CLEAR"}, {0x1020, "VPNCONF_REQADDSA"}, {0x1026, "VPNCONF_SYSINFOS"},
        {0x2000, "ORXCONSOLE_DBGLEVEL"}, {0x2001, "ORXCONSOLE_GETREPORT"}, {0x2002, "ORX_SYSTEMLOG"},
        {0x2003, "ORX_SYSTEMLOG_CHANGE"}, {0x3000, "ORXMONITOR_SA_DEL"}, {0x4000, "ORXIKE_READY_TO_DIE"},
        {0x4001, "ORXIKE_CRASHED"}, {0x4002, "ORXIKE_REMAIN"}, {0x5001, "ORXFIREWALL_RULESET"},
        {0x5002, "ORXFIREWALL_BINDING_SET"}, {0x5003, "ORXCREDPROV_REGISTER"}, {0x5004, "ORXCREDPROV_UNREGISTER"},
        {0x9001, "SET_GUI_INFOS"}, {0x9002, "CONFIG_REQ"}, {0x9003, "CONFIG_RESP"}, {0x900A, "OPEN_CFGPANEL_REQ"},
        {0x900B, "CFGPANEL_OPEN_GRANTED"}, {0x900C, "CFGPANEL_OPEN_REFUSED"}, {0x900D, "CFGPANEL_PWD_RESP"},
    };
    for (const auto& [code, name] : catalogue) EXPECT_STREQ(name, IpcMsgName(code)) << std::hex << code;
    size_t named = 0;
    for (uint32_t code = 0; code <= 0x10000; ++code) named += IpcMsgName(code) != nullptr;
    EXPECT_EQ(std::size(catalogue), named);
}

TEST(MessageCatalogue, ComposersWriteTheirFieldsAndZeroEverythingElse) {
    Msg raw;  // a GUI's request, every byte telling
    for (size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<unsigned char>(i + 1);
    const Bytes version = {'4', '.', '4', '0'};
    const std::pair<std::function<void(Msg&)>, Bytes> cases[] = {
        {[](Msg& m) { ComposeStatusMsg(m, true, false, 0x1234); },
         Message({{0, Le(0x0001)}, {8, version}, {20, Le(0x1234)}})},
        {[](Msg& m) { ComposeStatusMsg(m, false, true, 7); },
         Message({{0, Le(0x0002)}, {4, Le(8)}, {8, version}, {16, Le(2)}, {20, Le(7)}})},
        {[](Msg& m) { ComposeEmptyMsg(m, CFGPANEL_OPEN_GRANTED); }, Message({{0, Le(0x900B)}})},
        // Argument L and operation (24..32) and the data block (32..692) of the request.
        {[&](Msg& m) { ComposeConfigResp(m, 0x55, reinterpret_cast<const IpcConfigReqMsg&>(raw)); },
         Message({{0, Le(0x9003)}, {4, Le(672)}, {16, Le(0x55)}, {20, Bytes(raw + 24, raw + 692)}})},
        // The words at 4 and 8, the byte at 12 and the 24 bytes from 16.
        {[&](Msg& m) { ComposeDaemonVpnConfStarted(m, reinterpret_cast<const IpcGuiStartedMsg&>(raw)); },
         Message({{0, Le(0x1000)}, {4, Bytes(raw + 4, raw + 13)}, {16, Bytes(raw + 16, raw + 40)}})},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Msg msg;
        std::memset(msg, 0xAA, sizeof msg);
        cases[i].first(msg);
        EXPECT_EQ(cases[i].second, Bytes(msg, msg + sizeof msg)) << "case " << i;
    }
}

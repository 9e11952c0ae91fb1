// Message catalogue of the INTERPS channels: every type code under its name,
// the payload layouts the service reads or writes, and the composers of the
// messages the service sends itself.
//
// A message starts with its 32-bit type code (little-endian) and holds at
// most IPC_MAX_MSG_SIZE bytes. Messages the service composes are always a
// full 696-byte block, zero wherever nothing is set; relayed messages keep
// the bytes and length they arrived with. Text fields are NUL-terminated
// single-byte strings. The layouts below overlay a received message in place
// (they only need 4-byte alignment, which the mailbox gives).
#pragma once

#include "common/orxinterps/src/interps.h"

#include <cstddef>
#include <cstdint>

enum IpcMsgCode : uint32_t {
    // Daemon notifications (D->S, most relayed to the GUI).
    ORXIKE_STARTED = 0x0001,
    ORXIKE_STOPPED = 0x0002,
    ORXIKE_TRACE = 0x0003,
    ORXIKE_SA_ADD = 0x0004,
    ORXIKE_SA_DEL = 0x0005,
    ORXIKE_SA_DEL_ALL = 0x0006,
    ORXIKE_CONFIG_OK = 0x0007,
    ORXIKE_CONFIG_NOK = 0x0008,
    ORXIKE_ALIVE = 0x0009,
    ORXIKE_XAUTH_REQ = 0x000A,
    ORXIKE_NET_SETTINGS = 0x000B,
    ORXIKE_XAUTH_DEL = 0x000C,
    ORXIKE_PINCODE_REQ = 0x000D,
    ORXIKE_SILENT_NOTIFY = 0x000E,  // never traced by the channels

    // GUI requests.
    VPNCONF_STARTED = 0x1000,
    VPNCONF_STOPPED = 0x1001,
    VPNCONF_UPDATE_CONFIG = 0x1002,
    UI_REINIT_IKEDAEMON = 0x1003,
    VPNCONF_SA_OPEN = 0x1004,
    VPNCONF_XAUTH_SET = 0x1006,
    VPNCONF_PINCODE_SET = 0x1008,
    VPNCONF_KEEP_IKE = 0x1009,
    VPNCONF_RESET_IKE = 0x1010,
    VPNCONF_DEBUG_ON = 0x1011,
    VPNCONF_DEBUG_OFF = 0x1012,
    VPNCONF_CLOSED = 0x1013,
    VPNCONF_REG_WRITE = 0x1014,
    VPNCONF_REG_DELETE = 0x1015,
    VPNCONF_MODECFG_ADD = 0x1016,
    VPNCONF_MODECFG_RESTORE = 0x1017,
    VPNCONF_MODECFG_RESTOREALL = 0x1018,
    VPNCONF_PINCODE_CLEAR = 0x1019,
    VPNCONF_REQADDSA = 0x1020,
    VPNCONF_SYSINFOS = 0x1026,

    // Console and system log.
    ORXCONSOLE_DBGLEVEL = 0x2000,
    ORXCONSOLE_GETREPORT = 0x2001,
    ORX_SYSTEMLOG = 0x2002,
    ORX_SYSTEMLOG_CHANGE = 0x2003,

    // Monitor.
    ORXMONITOR_SA_DEL = 0x3000,

    // Daemon lifecycle.
    ORXIKE_READY_TO_DIE = 0x4000,
    ORXIKE_CRASHED = 0x4001,
    ORXIKE_REMAIN = 0x4002,

    // Firewall and credential provider.
    ORXFIREWALL_RULESET = 0x5001,
    ORXFIREWALL_BINDING_SET = 0x5002,
    ORXCREDPROV_REGISTER = 0x5003,
    ORXCREDPROV_UNREGISTER = 0x5004,

    // Between the GUI and the service only.
    SET_GUI_INFOS = 0x9001,
    CONFIG_REQ = 0x9002,
    CONFIG_RESP = 0x9003,
    OPEN_CFGPANEL_REQ = 0x900A,
    CFGPANEL_OPEN_GRANTED = 0x900B,
    CFGPANEL_OPEN_REFUSED = 0x900C,
    CFGPANEL_PWD_RESP = 0x900D,
};

// The code's name as above, or null for a code outside the catalogue.
const char* IpcMsgName(uint32_t code);

// ---- Payload layouts (offsets from the start of the message) ----

constexpr char IPC_DAEMON_VERSION[] = "4.40";

// ORXIKE_STARTED / ORXIKE_STOPPED composed by the service for the GUI.
struct IpcStatusMsg {
    uint32_t type;              // ORXIKE_STARTED: daemon running; ORXIKE_STOPPED: not running
    uint32_t alreadyRunning8;   // 8 in the already-running variant, else 0
    char version[8];            // "4.40"
    uint32_t alreadyRunning2;   // 2 in the already-running variant, else 0
    uint32_t lastSessionEvent;  // last session-change event code
    uint8_t zero[672];
};

// ORXIKE_STARTED from the daemon.
struct IpcDaemonStartedMsg {
    uint32_t type;
    uint8_t unread[12];
    uint32_t errorCode;  // 0: the daemon started
};

// ORX_SYSTEMLOG from the GUI or the daemon.
struct IpcSystemLogMsg {
    uint32_t type;
    uint8_t unread1[12];
    uint8_t facility;  // 0 to 7; larger values mean 0
    uint8_t unread2;
    int16_t level;
    uint32_t eventIndex;
    uint8_t unread3[8];
    uint32_t number;
    uint8_t unread4[4];
    char text[656];  // to the end of the message
};

// VPNCONF_STARTED: from the GUI, and the service's own copy for the daemon.
struct IpcGuiStartedMsg {
    uint32_t type;
    uint32_t word4;
    uint32_t word8;
    uint8_t byte12;
    uint8_t unread13[3];
    uint8_t mainWindow[8];  // the GUI's main window handle
    uint8_t block24[16];
};

// VPNCONF_PINCODE_SET.
struct IpcPinMsg {
    uint32_t type;
    uint8_t unread[12];
    char pin[204];
};

// VPNCONF_CLOSED from the GUI.
struct IpcCloseMsg {
    uint32_t type;
    uint8_t unread[20];
    uint32_t closeMode;  // its low byte is the mode
};

// Registry paths of VPNCONF_REG_WRITE / VPNCONF_REG_DELETE: key path under
// HKEY_LOCAL_MACHINE, '|', value name.
constexpr size_t IPC_REG_PATH_SIZE = 260;
constexpr size_t IPC_REG_DATA_SIZE = 412;

struct IpcRegWriteMsg {
    uint32_t type;
    uint8_t unread[12];
    char keyAndValue[IPC_REG_PATH_SIZE];
    uint32_t valueType;  // REG_SZ, REG_DWORD, ...
    uint32_t dataLength;
    uint8_t data[IPC_REG_DATA_SIZE];
};

struct IpcRegDeleteMsg {
    uint32_t type;
    uint8_t unread[12];
    char keyAndValue[IPC_REG_PATH_SIZE];
};

// VPNCONF_MODECFG_ADD / VPNCONF_MODECFG_RESTORE.
struct IpcModeCfgMsg {
    uint32_t type;
    uint8_t unread[12];
    uint32_t words[3];
};

// SET_GUI_INFOS.
struct IpcGuiInfoMsg {
    uint32_t type;
    uint8_t unread[12];
    uint32_t processId;
    uint32_t watchProcess;  // nonzero: watch the GUI process
    int8_t connectionType;
};

// CONFIG_REQ: a 676-byte request block at offset 16.
constexpr size_t IPC_CONFIG_DATA_SIZE = 660;
constexpr size_t IPC_CONFIG_BLOCK_SIZE = 676;
constexpr size_t IPC_CONFIG_ANSWER_SIZE = 672;

struct IpcConfigReqMsg {
    uint32_t type;
    uint8_t unread[12];
    uint32_t argA;       // second argument of both the load and the save call
    uint32_t argS;       // first argument of the save call
    uint32_t argL;       // first argument of the load call
    uint32_t operation;  // 0 load, 1 or 5 save, 2 or 6 update, 3 import
    char data[IPC_CONFIG_DATA_SIZE];
};

// CONFIG_RESP.
struct IpcConfigRespMsg {
    uint32_t type;          // CONFIG_RESP
    uint32_t answerLength;  // 672
    uint8_t zero8[8];
    uint32_t result;  // 0 success, else the configuration library's error
    uint32_t argL;
    uint32_t operation;
    char data[IPC_CONFIG_DATA_SIZE];
    uint8_t zero688[8];
};

// CFGPANEL_PWD_RESP from the GUI.
struct IpcPasswordMsg {
    uint32_t type;
    uint8_t unread[12];
    char password[256];
};

// ---- Composers of the service's own 696-byte messages ----

// The status form: daemon running (ORXIKE_STARTED) or not (ORXIKE_STOPPED),
// optionally in its already-running variant.
void ComposeStatusMsg(unsigned char (&out)[IPC_MAX_MSG_SIZE], bool daemonRunning, bool alreadyRunning,
                      uint32_t lastSessionEvent);

// The type code followed by 692 zero bytes.
void ComposeEmptyMsg(unsigned char (&out)[IPC_MAX_MSG_SIZE], uint32_t code);

// The answer to a CONFIG_REQ, carrying its argument L, operation and data block.
void ComposeConfigResp(unsigned char (&out)[IPC_MAX_MSG_SIZE], uint32_t result, const IpcConfigReqMsg& request);

// The service's own VPNCONF_STARTED for the daemon: the GUI's words at 4 and
// 8, its byte at 12 and its 24 bytes from 16; zero everywhere else.
void ComposeDaemonVpnConfStarted(unsigned char (&out)[IPC_MAX_MSG_SIZE], const IpcGuiStartedMsg& fromGui);

// ---- The layouts are part of the cross-process format: pin them ----
#define IPC_LAYOUT_AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "." #field)

IPC_LAYOUT_AT(IpcStatusMsg, alreadyRunning8, 4);
IPC_LAYOUT_AT(IpcStatusMsg, version, 8);
IPC_LAYOUT_AT(IpcStatusMsg, alreadyRunning2, 16);
IPC_LAYOUT_AT(IpcStatusMsg, lastSessionEvent, 20);
IPC_LAYOUT_AT(IpcStatusMsg, zero, 24);
static_assert(sizeof(IpcStatusMsg) == IPC_MAX_MSG_SIZE, "status form is a full message");

IPC_LAYOUT_AT(IpcDaemonStartedMsg, errorCode, 16);

IPC_LAYOUT_AT(IpcSystemLogMsg, facility, 16);
IPC_LAYOUT_AT(IpcSystemLogMsg, level, 18);
IPC_LAYOUT_AT(IpcSystemLogMsg, eventIndex, 20);
IPC_LAYOUT_AT(IpcSystemLogMsg, number, 32);
IPC_LAYOUT_AT(IpcSystemLogMsg, text, 40);
static_assert(sizeof(IpcSystemLogMsg) == IPC_MAX_MSG_SIZE, "system-log text runs to the end");

IPC_LAYOUT_AT(IpcGuiStartedMsg, word4, 4);
IPC_LAYOUT_AT(IpcGuiStartedMsg, word8, 8);
IPC_LAYOUT_AT(IpcGuiStartedMsg, byte12, 12);
IPC_LAYOUT_AT(IpcGuiStartedMsg, mainWindow, 16);
IPC_LAYOUT_AT(IpcGuiStartedMsg, block24, 24);
static_assert(sizeof(IpcGuiStartedMsg) == 40, "started-GUI form ends at 40");

IPC_LAYOUT_AT(IpcPinMsg, pin, 16);
static_assert(sizeof(IpcPinMsg) == 16 + 204, "PIN is 204 bytes");

IPC_LAYOUT_AT(IpcCloseMsg, closeMode, 24);

IPC_LAYOUT_AT(IpcRegWriteMsg, keyAndValue, 16);
IPC_LAYOUT_AT(IpcRegWriteMsg, valueType, 276);
IPC_LAYOUT_AT(IpcRegWriteMsg, dataLength, 280);
IPC_LAYOUT_AT(IpcRegWriteMsg, data, 284);
static_assert(sizeof(IpcRegWriteMsg) == IPC_MAX_MSG_SIZE, "registry data runs to the end");
IPC_LAYOUT_AT(IpcRegDeleteMsg, keyAndValue, 16);

IPC_LAYOUT_AT(IpcModeCfgMsg, words, 16);
static_assert(sizeof(IpcModeCfgMsg) == 28, "three mode-config words");

IPC_LAYOUT_AT(IpcGuiInfoMsg, processId, 16);
IPC_LAYOUT_AT(IpcGuiInfoMsg, watchProcess, 20);
IPC_LAYOUT_AT(IpcGuiInfoMsg, connectionType, 24);

IPC_LAYOUT_AT(IpcConfigReqMsg, argA, 16);
IPC_LAYOUT_AT(IpcConfigReqMsg, argS, 20);
IPC_LAYOUT_AT(IpcConfigReqMsg, argL, 24);
IPC_LAYOUT_AT(IpcConfigReqMsg, operation, 28);
IPC_LAYOUT_AT(IpcConfigReqMsg, data, 32);
static_assert(sizeof(IpcConfigReqMsg) == 16 + IPC_CONFIG_BLOCK_SIZE, "request block is 676 bytes");

IPC_LAYOUT_AT(IpcConfigRespMsg, answerLength, 4);
IPC_LAYOUT_AT(IpcConfigRespMsg, zero8, 8);
IPC_LAYOUT_AT(IpcConfigRespMsg, result, 16);
IPC_LAYOUT_AT(IpcConfigRespMsg, argL, 20);
IPC_LAYOUT_AT(IpcConfigRespMsg, operation, 24);
IPC_LAYOUT_AT(IpcConfigRespMsg, data, 28);
IPC_LAYOUT_AT(IpcConfigRespMsg, zero688, 688);
static_assert(sizeof(IpcConfigRespMsg) == IPC_MAX_MSG_SIZE, "answer is a full message");

IPC_LAYOUT_AT(IpcPasswordMsg, password, 16);
static_assert(sizeof(IpcPasswordMsg) == 16 + 256, "password is 256 bytes");

#undef IPC_LAYOUT_AT

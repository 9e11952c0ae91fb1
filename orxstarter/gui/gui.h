// The GUI broker: the service's side of the VPN client's GUI instances.
// For now only its system-log settings operations, which use no object state
// (they are static, so they can be called with or without the broker).
#pragma once

class CGui {
public:
    // Reads "SystemLogOutput", "SystemLogSyslogPort" and
    // "SystemLogSyslogServer" and switches the requested outputs on, then
    // logs event index 0. The process must have started Windows Sockets.
    static void InitLogsSystem();
    // Switches every output off; a settings change is UninitLogsSystem then
    // InitLogsSystem.
    static void UninitLogsSystem();
    // Fills the 128-byte `server` with "SystemLogSyslogServer". False when
    // the key or value is missing, is not a text, or holds 128 characters
    // or more (with a trace line for the last two).
    static bool GetSyslogServer(char* server);
};

// What each supervised part offers the other: the GUI broker reaches the
// daemon only through DaemonLink, the IKE supervisor the GUI only through
// GuiLink. Neither sees the other's state.
#pragma once

#include <windows.h>

#include <cstdint>

enum class DaemonStart : uint8_t {
    Launched,        // created, and its reports say it runs
    Silent,          // created, but it did not say it runs within the wait
    AlreadyRunning,  // one of ours runs: nothing was started
    Failed,          // its settings or the process creation failed
    Refused,         // the service is stopping
};

class DaemonLink {
public:
    // Sends on the channel to the daemon; false when there is none or the
    // send failed.
    virtual bool SendToDaemon(const void* message, DWORD length) = 0;
    // The daemon of ours has completed its alive handshake.
    virtual bool DaemonConnected() = 0;
    // A daemon of ours runs and its reports say so.
    virtual bool DaemonRunning() = 0;
    // Launches the daemon unless one of ours runs; decided and done under the
    // supervisor's lock, so two callers never start two.
    virtual DaemonStart StartDaemon() = 0;

protected:
    ~DaemonLink() = default;
};

class GuiLink {
public:
    // Sends to the GUI that announced itself last.
    virtual bool SendToGui(const void* message, DWORD length) = 0;
    // A GUI has said it is up (VPNCONF_STARTED) and has not gone since.
    virtual bool GuiReady() = 0;

protected:
    ~GuiLink() = default;
};

// The daemon's end played in this process, for runs that must not depend on
// the daemon stand-in: its channel "vpnike" (where the service passes GUI
// requests) and the service's channel "vpnsrvike", on which the handshake
// makes the service connect to "vpnike" as it does to a daemon it launched.
#pragma once

#include "tests/support/ClientChannel.h"
#include "tests/support/Inbox.h"

#include <windows.h>

#include <string>

namespace testing_support {

class DaemonEnd {
public:
    DaemonEnd();
    DaemonEnd(const DaemonEnd&) = delete;
    DaemonEnd& operator=(const DaemonEnd&) = delete;

    bool ok() const { return inbox_.ok() && service_.ok(); }
    Inbox& inbox() { return inbox_; }

    // ORXIKE_STARTED (error code 0), then ORXIKE_ALIVE: the service connects
    // to "vpnike" and takes the daemon for ready.
    bool Handshake();
    bool Send(const void* message, DWORD length) { return service_.Send(message, length); }

private:
    Inbox inbox_;
    ClientChannel service_;  // the service's channel for the daemon
};

// The service's channel for the daemon, named as the service names it on
// this Windows release.
std::string ServiceIkeChannelName();

}  // namespace testing_support

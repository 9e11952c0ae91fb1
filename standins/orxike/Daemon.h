// The IKE daemon stand-in: the start-up handshake with the service, then a
// quiet daemon that journals what it receives and sends what its switches ask
// for, until it is terminated, told to stop (Ctrl+C) or its exit switch fires.
#pragma once

#include "standins/orxike/ChannelHandle.h"
#include "standins/orxike/DaemonMessages.h"
#include "standins/orxike/DaemonSettings.h"
#include "standins/orxike/Journal.h"
#include "standins/orxike/Outbox.h"
#include "sysdep/WinHandles.h"

#include <cstdint>
#include <string>

namespace orxike_standin {

enum ExitCode : int {
    kExitDone = 0,            // exit_after_ms fired, or told to stop
    kExitUsage = 1,           // arguments given
    kExitOwnChannel = 2,      // "vpnike" could not be created
    kExitServiceChannel = 3,  // the service's channel was not found in time
    kExitJournal = 4,         // the journal file could not be opened
    kExitHandshake = 5,       // the service never took ORXIKE_STARTED or ORXIKE_ALIVE
};

class DaemonStandIn {
public:
    DaemonStandIn(DaemonSettings settings, Journal& journal);
    DaemonStandIn(const DaemonStandIn&) = delete;
    DaemonStandIn& operator=(const DaemonStandIn&) = delete;

    // Returns the process exit code.
    int Run();
    // Ends Run from another thread; safe in a console control handler.
    void Stop() { SetEvent(stop_.get()); }

private:
    bool CreateOwnChannel();
    bool ConnectToService();
    bool SendToService(const Message& message, unsigned attempts);
    void SendAfterHandshake();
    int ServeUntilEnd();
    bool StopRequestedWithin(DWORD ms) { return WaitForSingleObject(stop_.get(), ms) == WAIT_OBJECT_0; }

    static BOOL OnReceived(void* message, DWORD length, void* context);
    void Handle(const uint8_t* message, DWORD length);

    const DaemonSettings settings_;
    Journal& journal_;
    orx::UniqueHandle stop_;
    Outbox outbox_;
    ChannelHandle serviceChannel_;
    ChannelHandle ownChannel_;  // last: closed first, its receive thread uses the members above
};

}  // namespace orxike_standin

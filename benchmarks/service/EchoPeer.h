// The floor of the hop benchmarks: a peer process that passes every message
// it receives straight back from its receive callback, as the service passes
// a message on from its own. A message to it and back is two bare channel
// hops, as a GUI request through the service to the daemon is two hops with
// the service's work between them.
#pragma once

#include "tests/support/ClientChannel.h"
#include "tests/support/Inbox.h"
#include "tests/support/Processes.h"

#include <windows.h>

#include <memory>
#include <string>

namespace service_bench {

// This side: its own channel (where the echo comes back) and the peer.
class EchoPair {
public:
    explicit EchoPair(const std::string& selfPath);
    EchoPair(const EchoPair&) = delete;
    EchoPair& operator=(const EchoPair&) = delete;

    bool ok() const { return peerChannel_ && peerChannel_->ok(); }
    testing_support::Inbox& inbox() { return inbox_; }
    bool Send(const void* message, DWORD length) { return peerChannel_->Send(message, length); }

private:
    std::string tag_;
    testing_support::Inbox inbox_;
    std::unique_ptr<testing_support::BackgroundProcess> peer_;
    std::unique_ptr<testing_support::ClientChannel> peerChannel_;  // once the peer is there
};

// The peer's side, run by "service_bench.exe --echo TAG": until killed.
int RunEchoPeer(const std::string& tag);

}  // namespace service_bench

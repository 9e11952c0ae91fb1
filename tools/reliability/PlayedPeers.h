// Both of the service's peers played by this program, for scenarios that
// must load the service beyond what the stand-ins can take: "Path" is unset
// meanwhile (no daemon can be launched, so "vpnike" is this program's alone),
// the daemon's handshake done, the GUI announced and started. Create it once
// the service runs.
#pragma once

#include "tests/support/DaemonEnd.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/TestSupport.h"

#include <memory>
#include <string>

namespace reliability {

class PlayedPeers {
public:
    explicit PlayedPeers(testing_support::ScopedServiceSettings& settings);
    ~PlayedPeers();  // "Path" set again
    PlayedPeers(const PlayedPeers&) = delete;
    PlayedPeers& operator=(const PlayedPeers&) = delete;

    // Empty when both ends are in place and a GUI request has reached the
    // daemon's end through the service; else what went wrong.
    const std::string& problem() const { return problem_; }
    testing_support::DaemonEnd& daemon() { return *daemon_; }
    testing_support::GuiEnd& gui() { return *gui_; }

private:
    std::string Connect();

    testing_support::ScopedServiceSettings& settings_;
    std::unique_ptr<testing_support::DaemonEnd> daemon_;
    std::unique_ptr<testing_support::GuiEnd> gui_;
    std::string problem_;
};

}  // namespace reliability

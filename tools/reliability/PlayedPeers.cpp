#include "tools/reliability/PlayedPeers.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/MailboxWatch.h"
#include "tools/reliability/RunFiles.h"

namespace reliability {

using namespace testing_support;

namespace {

constexpr DWORD kProbeTimeoutMs = 5000;
// Passed to the daemon as it is, and used by no scenario's traffic.
constexpr uint32_t kProbe = ORXCONSOLE_GETREPORT;

}  // namespace

PlayedPeers::PlayedPeers(testing_support::ScopedServiceSettings& settings) : settings_(settings) {
    problem_ = Connect();
}

PlayedPeers::~PlayedPeers() { settings_.SetString("Path", DaemonDir()); }

std::string PlayedPeers::Connect() {
    if (!settings_.Remove("Path")) return "\"Path\" could not be unset";
    // A server on an existing name joins it: another reader would take our messages.
    if (ChannelExists("vpnike")) return "another process holds the daemon's channel vpnike";
    daemon_ = std::make_unique<DaemonEnd>();
    gui_ = std::make_unique<GuiEnd>();
    if (!daemon_->ok() || !daemon_->Handshake()) return "the service did not take this program for its daemon";
    // The GUI's start makes it ready. It gets no running status: the daemon
    // played here is not one the service launched, and with "Path" unset it
    // launches none of its own.
    if (!gui_->ok() || !gui_->Announce() || !gui_->SendEmpty(VPNCONF_STARTED)) {
        return "the service did not take this program for its GUI";
    }
    Received probe;
    if (!gui_->SendEmpty(kProbe) || !daemon_->inbox().Expect(kProbe, probe, kProbeTimeoutMs)) {
        return "a GUI request did not reach this program's daemon end";
    }
    return {};
}

}  // namespace reliability

#include "benchmarks/service/EchoPeer.h"

#include "common/orxinterps/src/interps.h"
#include "tests/support/MailboxWatch.h"
#include "tests/support/Wait.h"

namespace service_bench {

namespace {

constexpr DWORD kPeerStartMs = 30000;

std::string MainChannel(const std::string& tag) { return tag + ".main"; }
std::string PeerChannel(const std::string& tag) { return tag + ".peer"; }

BOOL Echo(void* message, DWORD length, void* context) {
    static_cast<const testing_support::ClientChannel*>(context)->Send(message, length);
    return TRUE;
}

}  // namespace

EchoPair::EchoPair(const std::string& selfPath)
    : tag_("orxservicebench." + std::to_string(GetCurrentProcessId())), inbox_(MainChannel(tag_)) {
    if (!inbox_.ok()) return;
    peer_ = std::make_unique<testing_support::BackgroundProcess>("\"" + selfPath + "\" --echo " + tag_);
    if (testing_support::WaitUntil([&] { return testing_support::ChannelExists(PeerChannel(tag_)); }, kPeerStartMs)) {
        peerChannel_ = std::make_unique<testing_support::ClientChannel>(PeerChannel(tag_));
    }
}

int RunEchoPeer(const std::string& tag) {
    testing_support::ClientChannel back(MainChannel(tag));
    if (!back.ok()) return 1;
    // Never closed: the benchmark ends this process when it is done.
    if (IPCInitServer(PeerChannel(tag).c_str(), &Echo, nullptr, &back) == nullptr) return 1;
    Sleep(INFINITE);
    return 0;
}

}  // namespace service_bench

#include "benchmarks/service/EchoPeer.h"

#include "common/orxinterps/src/interps.h"
#include "tools/reliability/Clock.h"
#include "tools/reliability/MailboxWatch.h"

namespace service_bench {

namespace {

constexpr DWORD kPeerStartMs = 30000;

std::string MainChannel(const std::string& tag) { return tag + ".main"; }
std::string PeerChannel(const std::string& tag) { return tag + ".peer"; }

BOOL Echo(void* message, DWORD length, void* context) {
    static_cast<const reliability::ClientChannel*>(context)->Send(message, length);
    return TRUE;
}

}  // namespace

EchoPair::EchoPair(const std::string& selfPath)
    : tag_("orxservicebench." + std::to_string(GetCurrentProcessId())), inbox_(MainChannel(tag_)) {
    if (!inbox_.ok()) return;
    peer_ = std::make_unique<testing_support::BackgroundProcess>("\"" + selfPath + "\" --echo " + tag_);
    if (reliability::WaitUntil([&] { return reliability::ChannelExists(PeerChannel(tag_)); }, kPeerStartMs)) {
        peerChannel_ = std::make_unique<reliability::ClientChannel>(PeerChannel(tag_));
    }
}

int RunEchoPeer(const std::string& tag) {
    reliability::ClientChannel back(MainChannel(tag));
    if (!back.ok()) return 1;
    // Never closed: the benchmark ends this process when it is done.
    if (IPCInitServer(PeerChannel(tag).c_str(), &Echo, nullptr, &back) == nullptr) return 1;
    Sleep(INFINITE);
    return 0;
}

}  // namespace service_bench

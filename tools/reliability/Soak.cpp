// Relay traffic both ways at full speed for minutes. This program plays both
// peers, so each message is counted at both ends by its number: as the GUI
// it sends numbered ORXCONSOLE_DBGLEVEL requests on "Global\vpnsrvcfg"
// (passed to the daemon), as the daemon numbered ORXIKE_SA_ADD notifications
// on the daemon's channel (relayed to the GUI), each without pause. (The
// daemon stand-in writes every journal line to its console too, which under
// Wine holds it to a few dozen messages a second: too slow to load the
// service.) The service must end with the handles and private memory it had
// after warm-up, within a few per cent, and lose nothing silently: every
// message whose send reported success is delivered. Then a stop while the
// traffic still flows.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/Stats.h"
#include "tools/reliability/PlayedPeers.h"
#include "tools/reliability/Tally.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kSoakLabel[] = "soak";
constexpr char kStopLabel[] = "stop under traffic";
constexpr size_t kNumberOffset = 4;
constexpr DWORD kMessageLength = 8;  // the type and the number
constexpr unsigned kMinWarmupS = 5;
constexpr DWORD kDrainMs = 2000;  // for what is in flight at the count
constexpr double kMaxGrowthPercent = 5;
constexpr DWORD kSlackHandles = 2;  // a thread coming or going meanwhile

using Sender = std::function<bool(const void*, DWORD)>;

// Messages of one type numbered 1, 2, ... sent back to back on a thread of
// their own until stopped.
class NumberedStream {
public:
    NumberedStream(uint32_t type, Sender send) : type_(type), send_(std::move(send)), thread_([this] { Run(); }) {}
    ~NumberedStream() { Stop(); }
    NumberedStream(const NumberedStream&) = delete;
    NumberedStream& operator=(const NumberedStream&) = delete;

    // Entry k-1: whether message number k was placed.
    std::vector<bool> Outcomes() {
        std::lock_guard<std::mutex> guard(lock_);
        return outcomes_;
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

private:
    void Run() {
        unsigned char message[kMessageLength] = {};
        std::memcpy(message, &type_, sizeof type_);
        for (uint32_t number = 1; !stop_; ++number) {
            std::memcpy(message + kNumberOffset, &number, sizeof number);
            const bool placed = send_(message, sizeof message);
            std::lock_guard<std::mutex> guard(lock_);
            outcomes_.push_back(placed);
        }
    }

    const uint32_t type_;
    const Sender send_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<bool> outcomes_;
    std::thread thread_;  // last: it starts once everything above is ready
};

std::string Megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string Signed(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f %%", percent);
    return text;
}

double MemoryGrowth(const Footprint& warm, const Footprint& end) {
    return PercentChange(static_cast<double>(warm.privateBytes), static_cast<double>(end.privateBytes));
}

std::string DeliveryText(const char* way, const Delivery& delivery) {
    return std::string(way) + " " + Grouped(delivery.delivered) + " of " + Grouped(delivery.sentOk) +
           " delivered (" + Grouped(delivery.refused) + " refused to the sender, " + Grouped(delivery.lost) +
           " lost" + (delivery.unexpected != 0 ? ", " + Grouped(delivery.unexpected) + " refused yet delivered" : "") +
           ")";
}

bool Balanced(const Delivery& delivery) {
    return delivery.delivered > 0 && delivery.lost == 0 && delivery.unexpected == 0;
}

bool Steady(const Footprint& warm, const Footprint& end) {
    const DWORD handleLimit = warm.handles + kSlackHandles + static_cast<DWORD>(warm.handles * kMaxGrowthPercent / 100);
    return warm.ok && end.ok && end.handles <= handleLimit && MemoryGrowth(warm, end) <= kMaxGrowthPercent;
}

std::string FootprintText(const Footprint& warm, const Footprint& end) {
    if (!warm.ok || !end.ok) return "the service's footprint could not be read";
    return "handles " + std::to_string(warm.handles) + " -> " + std::to_string(end.handles) + ", private " +
           Megabytes(warm.privateBytes) + " -> " + Megabytes(end.privateBytes) + " (" +
           Signed(MemoryGrowth(warm, end)) + ")";
}

std::string Span(unsigned seconds) {
    return seconds % 60 == 0 ? std::to_string(seconds / 60) + " min" : std::to_string(seconds) + " s";
}

}  // namespace

std::vector<Figure> RunSoak(Bench& bench, unsigned seconds) {
    RunningService service;
    if (!service.ok()) return {Broken(kSoakLabel, service.WhyNotStarted())};
    PlayedPeers peers(bench.settings());
    if (!peers.problem().empty()) return {Broken(kSoakLabel, peers.problem())};
    DaemonEnd& daemon = peers.daemon();
    GuiEnd& gui = peers.gui();
    daemon.inbox().CountBulk(ORXCONSOLE_DBGLEVEL, kNumberOffset);
    gui.inbox().CountBulk(ORXIKE_SA_ADD, kNumberOffset);
    NumberedStream requests(ORXCONSOLE_DBGLEVEL, [&](const void* m, DWORD n) { return gui.Send(m, n); });
    NumberedStream notifications(ORXIKE_SA_ADD, [&](const void* m, DWORD n) { return daemon.Send(m, n); });
    const unsigned warmupS = std::max(kMinWarmupS, seconds / 10);
    Sleep(warmupS * 1000);
    const Footprint warm = ReadFootprint(service.processId());
    Sleep((seconds - std::min(seconds, warmupS)) * 1000);
    const Footprint end = ReadFootprint(service.processId());

    // The count: what each side had sent by now must have arrived once what
    // is in flight has landed.
    const std::vector<bool> requestOutcomes = requests.Outcomes();
    const std::vector<bool> notificationOutcomes = notifications.Outcomes();
    Sleep(kDrainMs);
    const Delivery toDaemon = CompareDelivery(requestOutcomes, daemon.inbox().BulkSeen());
    const Delivery toGui = CompareDelivery(notificationOutcomes, gui.inbox().BulkSeen());

    const StopTimes stop = service.Stop();  // the traffic still flows
    requests.Stop();
    notifications.Stop();

    const bool soakHolds = Balanced(toDaemon) && Balanced(toGui) && Steady(warm, end);
    return {{kSoakLabel,
             Span(seconds) + " at full speed: " + DeliveryText("GUI->daemon", toDaemon) + "; " +
                 DeliveryText("daemon->GUI", toGui) + "; " + FootprintText(warm, end) + " after " +
                 std::to_string(warmupS) + " s of warm-up",
             soakHolds},
            {kStopLabel, StopText(stop), StoppedWithinHint(stop)}};
}

}  // namespace reliability

// What the system log costs: LogSystemEvent with every output off (a call
// that every event site pays), one event written to the day's file and one
// sent to a syslog server, each against a floor measured in the same run: an
// empty out-of-line call; one open, append and close of the same record with
// the C library; one bare sendto of the same datagram. Event and floor runs
// alternate, so that a drift of the machine touches both alike.
#include "systemlog/LogFormat.h"
#include "systemlog/SyslogDatagram.h"
#include "systemlog/SystemLog.h"
#include "systemlog/SystemLogEvents.h"
#include "tests/support/Files.h"
#include "tests/support/Stats.h"

#include <winsock2.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace systemlog;
using testing_support::Median;

namespace {

constexpr int kRuns = 5;
constexpr uint16_t kDiscardPort = 9;  // nobody listens: UDP sends cost the same

double NowSeconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Pair {
    double measured;  // ns per call
    double floor;     // ns per call
};

template <typename Body>
double NsPerCall(int iterations, Body& body) {
    const double start = NowSeconds();
    for (int i = 0; i < iterations; ++i) body(i);
    return (NowSeconds() - start) * 1e9 / iterations;
}

// Alternates runs of `measured` and `floor`, `iterations` calls each; medians.
template <typename Measured, typename Floor>
Pair MeasurePair(int iterations, Measured measured, Floor floor) {
    std::vector<double> a, b;
    for (int run = 0; run < kRuns; ++run) {
        a.push_back(NsPerCall(iterations, measured));
        b.push_back(NsPerCall(iterations, floor));
    }
    return {Median(a), Median(b)};
}

__attribute__((noinline)) void EmptyCall(uint32_t, uint8_t, int32_t, int32_t, const char*) { asm volatile(""); }

// The machine's clock, except that the seconds clock jumps two seconds every
// 1000 readings: the flood control (2000 lines per two seconds) then never
// holds a measured line back. Dates and timestamps stay real.
class FloodFreeClock : public LogClock {
public:
    LogTime Now() const override {
        LogTime now = SystemClock().Now();
        now.seconds += 2 * (readings_++ / 1000);
        return now;
    }

private:
    mutable int64_t readings_ = 0;
};

// The line LogSystemEvent(0, 0, 5, 1, nullptr) forms, formed the same way.
std::string SameLine() {
    char line[kLineSize];
    ComposeLine(0, kLevelNotice, GetCurrentThreadId(), "[1001] The system log has started (outputs 1).", line,
                sizeof line);
    return line;
}

std::string SameRecord() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char timestamp[kTimestampSize];
    FormatTimestamp(now, timestamp, sizeof timestamp);
    char record[kRecordSize];
    ComposeRecord(timestamp, SameLine().c_str(), record, sizeof record);
    return record;
}

void LogOneEvent(int) { LogSystemEvent(0, 0, kLevelNotice, 1, nullptr); }

}  // namespace

int main() {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    constexpr int kOffCalls = 20000000;
    constexpr int kFileEvents = 2000;
    constexpr int kSyslogEvents = 2000;
    SystemLog& log = TheSystemLog();
    FloodFreeClock clock;
    log.Writer().SetClock(&clock);

    // 1. Every output off: one test of the switches.
    const Pair off = MeasurePair(kOffCalls, LogOneEvent, [](int i) { EmptyCall(0, 0, 5, i, nullptr); });

    // 2. One event to the day's file.
    const std::string dir = testing_support::MakeTempDir("systemlog-bench");
    log.EnableFile(dir.c_str(), "BenchSystemLog");
    const std::string record = SameRecord();
    const std::string floorPath = dir + "\\floor.log";
    const Pair file = MeasurePair(kFileEvents, LogOneEvent, [&](int) {
        FILE* out = std::fopen(floorPath.c_str(), "a");
        if (out == nullptr) return;
        std::fprintf(out, "%s\n", record.c_str());
        std::fclose(out);
    });
    log.DisableAll();
    testing_support::RemoveTree(dir);

    // 3. One event to a syslog server (loopback, a port nobody listens on).
    if (!log.EnableSyslog("127.0.0.1", "OrxStarter", kDiscardPort)) {
        std::fprintf(stderr, "systemlog_bench: the syslog output did not start\n");
        return 1;
    }
    char datagram[kDatagramSize];
    const size_t length = ComposeDatagram(133, "OrxStarter", SameLine().c_str(), datagram);
    const SOCKET bare = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDiscardPort);
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    const Pair syslog = MeasurePair(kSyslogEvents, LogOneEvent, [&](int) {
        sendto(bare, datagram, static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    });
    closesocket(bare);
    log.DisableAll();
    log.Writer().SetClock(nullptr);

    std::printf("System log benchmark (median of %d runs, event and floor runs alternating)\n", kRuns);
    std::printf("  LogSystemEvent, every output off : %8.2f ns/call   (%d calls a run)\n", off.measured, kOffCalls);
    std::printf("    floor: empty out-of-line call  : %8.2f ns/call   ratio %.2f\n", off.floor,
                off.measured / off.floor);
    std::printf("  LogSystemEvent to the day's file : %8.2f us/event  (%d events a run)\n", file.measured / 1000,
                kFileEvents);
    std::printf("    floor: fopen/append/fclose     : %8.2f us/record ratio %.2f\n", file.floor / 1000,
                file.measured / file.floor);
    std::printf("  LogSystemEvent to syslog (UDP)   : %8.2f us/event  (%d events a run)\n", syslog.measured / 1000,
                kSyslogEvents);
    std::printf("    floor: sendto, same datagram   : %8.2f us/send   ratio %.2f\n", syslog.floor / 1000,
                syslog.measured / syslog.floor);
    WSACleanup();
    return 0;
}

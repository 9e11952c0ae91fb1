// IPC benchmark: round-trip latency (callback-driven ping-pong over a pair of
// channels) and one-way throughput of 696-byte messages between two
// processes, for the INTERPS library beside three baselines measured in the
// same run:
//   - a ping-pong over two raw named auto-reset events (the platform floor);
//   - the bare mailbox protocol, no tracing, no registry (the design floor);
//   - a message-mode named pipe carrying the same payload (what an
//     integrator would otherwise pick).
// The library is measured with "StarterLogFile" absent and present with 0
// (trace off). Blocks of every variant are interleaved so that background
// load spreads evenly over them.
//
//   ipc_bench.exe [--rounds N] [--blocks B] [--messages M]
#include "benchmarks/ipc/BenchEnds.h"
#include "sysdep/WinHandles.h"
#include "tests/support/Clock.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using testing_support::NowMicroseconds;

// First word of every benchmark message.
constexpr uint32_t kPing = 1;   // echo it back
constexpr uint32_t kData = 2;   // count it, no reply
constexpr uint32_t kFlush = 3;  // echo it back: everything sent before it has arrived
constexpr uint32_t kMessageSize = 696;
constexpr unsigned kWarmupRounds = 50;
constexpr DWORD kBlockTimeoutMs = 120000;

struct Options {
    unsigned rounds = 500;    // measured round trips per block
    unsigned blocks = 20;     // blocks per variant
    unsigned messages = 500;  // one-way messages per throughput block
};

std::string Tag() { return "orxbench." + std::to_string(GetCurrentProcessId()); }
std::string ReadyEventName(const std::string& tag, const std::string& kind) { return tag + ".ready." + kind; }
std::string QuitEventName(const std::string& tag) { return tag + ".quit"; }
std::string PipeName(const std::string& tag) { return "\\\\.\\pipe\\" + tag; }

uint32_t TypeOf(const unsigned char* message, uint32_t length) {
    uint32_t type = 0;
    if (length >= sizeof type) std::memcpy(&type, message, sizeof type);
    return type;
}

struct Message {
    unsigned char bytes[kMessageSize] = {};
    explicit Message(uint32_t type) {
        std::memcpy(bytes, &type, sizeof type);
        for (uint32_t i = 4; i < kMessageSize; ++i) bytes[i] = static_cast<unsigned char>(i);
    }
};

// ---- Peer process ----

// Echoes pings and flushes back on the other channel, from its callback.
void PeerOnMessage(const unsigned char* message, uint32_t length, void* context) {
    const uint32_t type = TypeOf(message, length);
    if (type == kPing || type == kFlush) static_cast<MailboxEnds*>(context)->Send(message, length);
}

std::unique_ptr<MailboxEnds> MakeEnds(const std::string& kind) {
    if (kind == "bare") return std::make_unique<BareEnds>();
    return std::make_unique<LibraryEnds>();
}

int RunMailboxPeer(const std::string& tag, const std::string& kind, HANDLE ready, HANDLE quit) {
    std::unique_ptr<MailboxEnds> ends = MakeEnds(kind);
    if (!ends->Listen(tag + "." + kind + ".peer", PeerOnMessage, ends.get())) return 1;
    if (!ends->Connect(tag + "." + kind + ".main")) return 1;
    SetEvent(ready);
    WaitForSingleObject(quit, INFINITE);
    ends->Close();
    return 0;
}

int RunEventsPeer(const std::string& tag, HANDLE ready, HANDLE quit) {
    const orx::UniqueHandle ping(OpenEventA(EVENT_ALL_ACCESS, FALSE, (tag + ".ping").c_str()));
    const orx::UniqueHandle pong(OpenEventA(EVENT_ALL_ACCESS, FALSE, (tag + ".pong").c_str()));
    if (!ping || !pong) return 1;
    SetEvent(ready);
    const HANDLE waits[2] = {ping.get(), quit};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) SetEvent(pong.get());
    return 0;
}

int RunPipePeer(const std::string& tag, HANDLE ready) {
    const orx::UniqueHandle pipe(CreateNamedPipeA(PipeName(tag).c_str(), PIPE_ACCESS_DUPLEX,
                                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 8192, 8192,
                                                  0, nullptr));
    if (!pipe) return 1;
    SetEvent(ready);
    ConnectNamedPipe(pipe.get(), nullptr);
    unsigned char buffer[kMessageSize];
    DWORD got = 0;
    while (ReadFile(pipe.get(), buffer, sizeof buffer, &got, nullptr)) {
        const uint32_t type = TypeOf(buffer, got);
        DWORD written = 0;
        if ((type == kPing || type == kFlush) && !WriteFile(pipe.get(), buffer, got, &written, nullptr)) break;
    }
    return 0;
}

int RunPeer(const std::string& kind, const std::string& tag) {
    const orx::UniqueHandle ready(OpenEventA(EVENT_ALL_ACCESS, FALSE, ReadyEventName(tag, kind).c_str()));
    const orx::UniqueHandle quit(OpenEventA(SYNCHRONIZE, FALSE, QuitEventName(tag).c_str()));
    if (!ready || !quit) return 1;
    if (kind == "events") return RunEventsPeer(tag, ready.get(), quit.get());
    if (kind == "pipe") return RunPipePeer(tag, ready.get());
    return RunMailboxPeer(tag, kind, ready.get(), quit.get());
}

// ---- Measuring side ----

struct Samples {
    std::vector<double> roundTripsUs;
    std::vector<double> messagesPerSecond;  // one figure per throughput block
};

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size()));
    if (index >= values.size()) index = values.size() - 1;
    return values[index];
}

double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

// Callback-driven ping-pong: each reply is timed in the receive callback,
// which sends the next ping at once.
class MailboxDriver {
public:
    explicit MailboxDriver(std::unique_ptr<MailboxEnds> ends)
        : ends_(std::move(ends)), done_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~MailboxDriver() { ends_->Close(); }

    bool Listen(const std::string& name) { return ends_->Listen(name, OnMessage, this); }
    bool Connect(const std::string& name) { return ends_->Connect(name); }

    bool RoundTrips(unsigned rounds, std::vector<double>& out) {
        times_.clear();
        times_.reserve(kWarmupRounds + rounds);
        target_ = kWarmupRounds + rounds;
        failed_ = false;
        sentAt_ = NowMicroseconds();
        if (!ends_->Send(ping_.bytes, kMessageSize)) return false;
        if (WaitForSingleObject(done_.get(), kBlockTimeoutMs) != WAIT_OBJECT_0 || failed_) return false;
        out.insert(out.end(), times_.begin() + kWarmupRounds, times_.end());
        return true;
    }

    bool OneWay(unsigned messages, std::vector<double>& out) {
        const double start = NowMicroseconds();
        for (unsigned i = 0; i < messages; ++i) {
            if (!ends_->Send(data_.bytes, kMessageSize)) return false;
        }
        if (!ends_->Send(flush_.bytes, kMessageSize)) return false;
        if (WaitForSingleObject(done_.get(), kBlockTimeoutMs) != WAIT_OBJECT_0) return false;
        out.push_back(messages / ((NowMicroseconds() - start) / 1e6));
        return true;
    }

private:
    static void OnMessage(const unsigned char* message, uint32_t length, void* self) {
        auto* d = static_cast<MailboxDriver*>(self);
        const double now = NowMicroseconds();
        if (TypeOf(message, length) == kFlush) {
            SetEvent(d->done_.get());
            return;
        }
        d->times_.push_back(now - d->sentAt_);
        if (d->times_.size() >= d->target_) {
            SetEvent(d->done_.get());
            return;
        }
        d->sentAt_ = NowMicroseconds();
        if (!d->ends_->Send(d->ping_.bytes, kMessageSize)) {
            d->failed_ = true;
            SetEvent(d->done_.get());
        }
    }

    std::unique_ptr<MailboxEnds> ends_;
    orx::UniqueHandle done_;
    Message ping_{kPing}, data_{kData}, flush_{kFlush};
    std::vector<double> times_;
    size_t target_ = 0;
    double sentAt_ = 0;
    bool failed_ = false;
};

class EventsDriver {
public:
    explicit EventsDriver(const std::string& tag)
        : ping_(CreateEventA(nullptr, FALSE, FALSE, (tag + ".ping").c_str())),
          pong_(CreateEventA(nullptr, FALSE, FALSE, (tag + ".pong").c_str())) {}
    bool RoundTrips(unsigned rounds, std::vector<double>& out) {
        for (unsigned i = 0; i < kWarmupRounds + rounds; ++i) {
            const double start = NowMicroseconds();
            SetEvent(ping_.get());
            if (WaitForSingleObject(pong_.get(), kBlockTimeoutMs) != WAIT_OBJECT_0) return false;
            if (i >= kWarmupRounds) out.push_back(NowMicroseconds() - start);
        }
        return true;
    }

private:
    orx::UniqueHandle ping_, pong_;
};

class PipeDriver {
public:
    bool Connect(const std::string& tag) {
        pipe_.reset(
            CreateFileA(PipeName(tag).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!pipe_) return false;
        DWORD mode = PIPE_READMODE_MESSAGE;
        return SetNamedPipeHandleState(pipe_.get(), &mode, nullptr, nullptr) != FALSE;
    }
    bool RoundTrips(unsigned rounds, std::vector<double>& out) {
        for (unsigned i = 0; i < kWarmupRounds + rounds; ++i) {
            const double start = NowMicroseconds();
            if (!Exchange(ping_)) return false;
            if (i >= kWarmupRounds) out.push_back(NowMicroseconds() - start);
        }
        return true;
    }
    bool OneWay(unsigned messages, std::vector<double>& out) {
        const double start = NowMicroseconds();
        DWORD written = 0;
        for (unsigned i = 0; i < messages; ++i) {
            if (!WriteFile(pipe_.get(), data_.bytes, kMessageSize, &written, nullptr)) return false;
        }
        if (!Exchange(flush_)) return false;
        out.push_back(messages / ((NowMicroseconds() - start) / 1e6));
        return true;
    }

private:
    bool Exchange(const Message& message) {
        DWORD written = 0, got = 0;
        unsigned char reply[kMessageSize];
        return WriteFile(pipe_.get(), message.bytes, kMessageSize, &written, nullptr) &&
               ReadFile(pipe_.get(), reply, sizeof reply, &got, nullptr) && got == kMessageSize;
    }
    orx::UniqueHandle pipe_;
    Message ping_{kPing}, data_{kData}, flush_{kFlush};
};

// One peer process per kind, each serving every block of its kind.
class Peers {
public:
    explicit Peers(const std::string& tag) : tag_(tag), quit_(CreateEventA(nullptr, TRUE, FALSE, QuitEventName(tag).c_str())) {}
    ~Peers() {
        SetEvent(quit_.get());
        for (const orx::UniqueHandle& process : processes_) {
            if (WaitForSingleObject(process.get(), 5000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
        }
    }
    bool Start(const std::string& kind) {
        const orx::UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, ReadyEventName(tag_, kind).c_str()));
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string commandLine = "\"" + std::string(self) + "\" --peer " + kind + " " + tag_;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        bool ok = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        if (ok) {
            const orx::UniqueHandle thread(pi.hThread);
            processes_.emplace_back(pi.hProcess);
            const HANDLE waits[2] = {ready.get(), pi.hProcess};
            ok = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
        }
        if (!ok) std::fprintf(stderr, "ipc_bench: the %s peer did not start\n", kind.c_str());
        return ok;
    }

private:
    std::string tag_;
    orx::UniqueHandle quit_;
    std::vector<orx::UniqueHandle> processes_;
};

struct Figures {
    const char* label;
    Samples samples;
};

void PrintRoundTrips(const std::vector<Figures*>& rows, double bareMedian) {
    std::printf("\nRound trip, %u-byte messages (us)          median      p99   vs bare\n", kMessageSize);
    for (const Figures* row : rows) {
        const double median = Median(row->samples.roundTripsUs);
        std::printf("  %-38s %8.1f %8.1f   %5.2fx\n", row->label, median, Percentile(row->samples.roundTripsUs, 0.99),
                    median / bareMedian);
    }
}

void PrintThroughput(const std::vector<Figures*>& rows, double bareRate) {
    std::printf("\nOne-way throughput, %u-byte messages        msg/s     MB/s   vs bare\n", kMessageSize);
    for (const Figures* row : rows) {
        const double rate = Median(row->samples.messagesPerSecond);
        std::printf("  %-38s %8.0f %8.2f   %5.2fx\n", row->label, rate, rate * kMessageSize / 1e6, rate / bareRate);
    }
}

void PrintRatio(const char* what, double value) { std::printf("  %-58s %6.3f\n", what, value); }

void PrintGoal(const char* what, double value, const char* comparison, double goal, bool met) {
    std::printf("  %-58s %6.3f  (goal %s %.2f: %s)\n", what, value, comparison, goal, met ? "met" : "MISSED");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const unsigned value = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        if (value == 0) return false;
        if (name == "--rounds") {
            options.rounds = value;
        } else if (name == "--blocks") {
            options.blocks = value;
        } else if (name == "--messages") {
            options.messages = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

int Measure(const Options& options) {
    const std::string tag = Tag();
    // "StarterLogFile" for the library's variants, put back at the end.
    testing_support::ScopedRegValue setting(HKEY_LOCAL_MACHINE, testing_support::kAppPathsKey, "StarterLogFile");

    // The measuring side's servers exist before the peers connect to them.
    EventsDriver events(tag);
    MailboxDriver bare(std::make_unique<BareEnds>());
    MailboxDriver library(std::make_unique<LibraryEnds>());
    if (!bare.Listen(tag + ".bare.main") || !library.Listen(tag + ".library.main")) {
        std::fprintf(stderr, "ipc_bench: cannot create the measuring side's channels\n");
        return 1;
    }
    Peers peers(tag);
    for (const char* kind : {"events", "bare", "library", "pipe"}) {
        if (!peers.Start(kind)) return 1;
    }
    PipeDriver pipe;  // closed before the peers are told to quit: its peer ends with it
    if (!bare.Connect(tag + ".bare.peer") || !library.Connect(tag + ".library.peer") || !pipe.Connect(tag)) {
        std::fprintf(stderr, "ipc_bench: cannot reach the peers' channels\n");
        return 1;
    }

    Figures rawEvents{"raw named events (platform floor)", {}};
    Figures bareMailbox{"bare mailbox (design floor)", {}};
    Figures libraryAbsent{"INTERPS, StarterLogFile absent", {}};
    Figures libraryZero{"INTERPS, StarterLogFile = 0", {}};
    Figures namedPipe{"named pipe, message mode", {}};

    std::printf("ipc_bench: %u blocks x %u round trips, %u one-way messages per block\n", options.blocks,
                options.rounds, options.messages);
    // One block of each variant per round, in a shuffled order: a variant
    // that always followed the same one would inherit its warm processes.
    const unsigned rounds = options.rounds;
    const unsigned messages = options.messages;
    const std::vector<std::function<bool()>> variants = {
        [&] { return events.RoundTrips(rounds, rawEvents.samples.roundTripsUs); },
        [&] {
            return bare.RoundTrips(rounds, bareMailbox.samples.roundTripsUs) &&
                   bare.OneWay(messages, bareMailbox.samples.messagesPerSecond);
        },
        [&] {
            setting.Remove();
            return library.RoundTrips(rounds, libraryAbsent.samples.roundTripsUs) &&
                   library.OneWay(messages, libraryAbsent.samples.messagesPerSecond);
        },
        [&] {
            setting.SetBinary({0});
            return library.RoundTrips(rounds, libraryZero.samples.roundTripsUs) &&
                   library.OneWay(messages, libraryZero.samples.messagesPerSecond);
        },
        [&] {
            return pipe.RoundTrips(rounds, namedPipe.samples.roundTripsUs) &&
                   pipe.OneWay(messages, namedPipe.samples.messagesPerSecond);
        },
    };
    std::vector<size_t> order(variants.size());
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 shuffle(12345);
    bool ok = true;
    for (unsigned block = 0; ok && block < options.blocks; ++block) {
        std::shuffle(order.begin(), order.end(), shuffle);
        for (size_t i = 0; ok && i < order.size(); ++i) ok = variants[order[i]]();
    }
    if (!ok) {
        std::fprintf(stderr, "ipc_bench: a block failed (a send timed out or a peer went away)\n");
        return 1;
    }

    const double bareMedian = Median(bareMailbox.samples.roundTripsUs);
    PrintRoundTrips({&rawEvents, &bareMailbox, &libraryAbsent, &libraryZero, &namedPipe}, bareMedian);
    PrintThroughput({&bareMailbox, &libraryAbsent, &libraryZero, &namedPipe},
                    Median(bareMailbox.samples.messagesPerSecond));

    const double zeroMedian = Median(libraryZero.samples.roundTripsUs);
    const double pipeMedian = Median(namedPipe.samples.roundTripsUs);
    std::printf("\nRatios (medians)\n");
    PrintGoal("INTERPS (StarterLogFile = 0) / bare mailbox, round trip", zeroMedian / bareMedian, "<=", 1.15,
              zeroMedian / bareMedian <= 1.15);
    PrintGoal("INTERPS (StarterLogFile = 0) / named pipe, round trip", zeroMedian / pipeMedian, "<", 1.0,
              zeroMedian < pipeMedian);
    PrintRatio("INTERPS (StarterLogFile absent) / bare mailbox, round trip",
               Median(libraryAbsent.samples.roundTripsUs) / bareMedian);
    PrintRatio("bare mailbox / raw named events, round trip", bareMedian / Median(rawEvents.samples.roundTripsUs));
    PrintRatio("named pipe / bare mailbox, round trip", pipeMedian / bareMedian);
    PrintRatio("INTERPS (StarterLogFile = 0) / bare mailbox, throughput",
               Median(libraryZero.samples.messagesPerSecond) / Median(bareMailbox.samples.messagesPerSecond));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--peer") == 0) return RunPeer(argv[2], argv[3]);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: ipc_bench [--rounds N] [--blocks B] [--messages M]\n");
        return 1;
    }
    return Measure(options);
}

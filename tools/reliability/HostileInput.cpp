// Hostile input on the four server channels at once: random messages and
// length words forged into the mailboxes, texts full of control characters,
// the credential provider's messages and registry requests aimed inside and
// outside the policy and at the daemon's protected values (FuzzMessages);
// meanwhile, now and then, the daemon's state forged while the real daemon
// stand-in runs, its mailbox held, and floods of announcements asking for a
// watchdog on a live process (HostileEpisodes). "Path" names the stand-in,
// so launches happen. Afterwards the service must still answer a GUI request
// correctly and be the same process, with its threads and handles back
// within 10 of where they were; nothing may have been written outside the
// policy, and every system-log record must still be one line.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/Clock.h"
#include "tests/support/GuiEnd.h"
#include "tests/support/InstalledService.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/Stats.h"
#include "tools/reliability/ChannelFuzz.h"
#include "tools/reliability/FuzzMessages.h"
#include "tools/reliability/HostileEpisodes.h"
#include "tools/reliability/HostileRegistry.h"
#include "tools/reliability/LoopCounts.h"
#include "tools/reliability/PlayedPeers.h"
#include "tools/reliability/RegistrySnapshot.h"
#include "tools/reliability/RunFiles.h"
#include "tools/reliability/Tally.h"

#include <cstdio>
#include <cstring>
#include <thread>

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "hostile input";
constexpr DWORD kAnswerTimeoutMs = 10000;
constexpr DWORD kSettleTimeoutMs = 60000;
// Messages sent before the service's threads and handles are taken as the
// baseline: what the service opens once, at its first use (the window
// station of user32, keys the system caches), is not a leak.
constexpr unsigned kWarmUpMessages = 2000;
constexpr uint32_t kWarmUpSeedMix = 0x5A5A5A5A;

// The episodes spread over the run: episode k once the fuzz has sent its
// share k + 1 of the messages (or has ended).
EpisodeTally PlayEpisodes(unsigned messages, FuzzProgress& progress, DWORD serviceId) {
    EpisodeDriver driver(serviceId);
    const unsigned episodes = EpisodeCount(messages);
    for (unsigned k = 0; k < episodes; ++k) {
        const uint64_t due = static_cast<uint64_t>(messages) * (k + 1) / (episodes + 1);
        progress.WaitFor(due);
        driver.Play(EpisodeAt(k));
    }
    return driver.tally();
}

// A load request carrying a number of its own in L: its answer is told apart
// from the answers to the fuzz's requests, and must be right in every field.
// The GUI first starts the daemon, which the fuzz may have stopped.
bool AnswersCorrectly(GuiEnd& gui) {
    gui.inbox().Forget();
    if (!gui.Announce() || !gui.StartDaemon(kLaunchTimeoutMs)) return false;
    IpcConfigReqMsg request = {};
    request.type = CONFIG_REQ;
    request.argA = 1;
    request.argL = 0x5EC0DE01;
    request.operation = 0;
    unsigned char message[IPC_MAX_MSG_SIZE] = {};
    std::memcpy(message, &request, sizeof request);
    if (!gui.Send(message, sizeof message)) return false;
    Received answer;
    while (gui.inbox().Expect(CONFIG_RESP, answer, kAnswerTimeoutMs)) {
        if (answer.Word(offsetof(IpcConfigRespMsg, argL)) != request.argL) continue;
        return answer.length == IPC_MAX_MSG_SIZE &&
               answer.Word(offsetof(IpcConfigRespMsg, answerLength)) == IPC_CONFIG_ANSWER_SIZE &&
               answer.Word(offsetof(IpcConfigRespMsg, result)) == 0 &&
               answer.Word(offsetof(IpcConfigRespMsg, operation)) == 0;
    }
    return false;
}

// The daemon stand-in's switches for the run: its journal to its file only,
// so that it takes what the service passes on at the pace the fuzz sends.
class QuietDaemon {
public:
    QuietDaemon() : ready_(WriteFileBytes(Path(), "console=0\r\n")) {}
    ~QuietDaemon() { DeleteFileA(Path().c_str()); }
    QuietDaemon(const QuietDaemon&) = delete;
    QuietDaemon& operator=(const QuietDaemon&) = delete;
    bool ready() const { return ready_; }

private:
    static std::string Path() { return DaemonDir() + "\\orxike-standin.ini"; }
    bool ready_;
};

std::string Seconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f s", ms / 1000);
    return text;
}

// What a run measured, for its figure.
struct HostileOutcome {
    ChannelFuzz fuzz;
    EpisodeTally episodes;
    double fuzzMs = 0;
    bool answered = false;
    bool sameProcess = false;
    ThreadsAndHandles before, after;
    RegistryChanges registry;
    SystemLogLines lines;
    size_t launches = 0, daemonsRunning = 0, daemonsLeft = 0;
    uint32_t seed = 0;

    uint64_t Sent() const { return fuzz.placed + fuzz.busy + fuzz.forged; }
    bool Holds() const {
        return Sent() > 0 && answered && sameProcess && registry.outside.empty() && registry.inside > 0 &&
               fuzz.forgedFreed == fuzz.forged && lines.malformed == 0 && lines.forged == 0 &&
               BackWhereTheyStarted(before, after) && episodes.problem.empty();
    }
};

std::string Describe(const HostileOutcome& o) {
    std::string text = Grouped(o.Sent()) + " messages on 4 channels in " + Seconds(o.fuzzMs) + " (" +
                       Grouped(o.fuzz.forged) + " forged lengths, " + Grouped(o.fuzz.forgedFreed) +
                       " dropped and freed; " + Grouped(o.fuzz.busy) + " sends timed out): " +
                       (o.answered ? "answered" : "NOT answered") + " after, " +
                       (o.sameProcess ? "same process" : "the process did NOT survive") + ", " +
                       CountsText(o.before, o.after) + " (after " + Grouped(kWarmUpMessages) +
                       " messages of warm-up); seed " + std::to_string(o.seed);
    text += "\n      registry: " + Grouped(o.registry.outside.size()) + " writes outside the policy (" +
            Grouped(o.fuzz.aimedOutside) + " aimed there, " + Grouped(o.fuzz.aimedProtected) +
            " at the daemon's protected values), " + Grouped(o.registry.inside) + " entries written inside, " +
            Grouped(o.registry.byDesign) + " by the credential provider's messages, " +
            Grouped(o.registry.platform) + " by Wine itself";
    text += "\n      system log: " + Grouped(o.lines.lines) + " records, " + Grouped(o.lines.malformed) +
            " not one record, " + Grouped(o.lines.forged) + " forged, " + Grouped(o.lines.escaped) +
            " with escapes (" + Grouped(o.fuzz.texts) + " texts with control characters sent)";
    const EpisodeTally& e = o.episodes;
    text += "\n      daemon: " + std::to_string(e.forged) + " forged state messages, " +
            std::to_string(e.launchRequests) + " launch requests, mailbox held " + std::to_string(e.holds) +
            " times; " + std::to_string(o.launches) + " launches, " + std::to_string(o.daemonsRunning) +
            " running after, " + std::to_string(o.daemonsLeft) + " left after the stop";
    text += "\n      announcements: " + std::to_string(e.floods) + " floods of " +
            std::to_string(kFloodAnnouncements) + " naming one live process, threads " +
            std::to_string(e.threadsBeforeFloods) + " before, at most " + std::to_string(e.threadsAfterFloods) +
            " after a flood, back within " + std::to_string(kCountSlack) + " after " +
            std::to_string(e.floodsSettled) + " of " + std::to_string(e.floods) + " once the process ended";
    if (!e.problem.empty()) text += "\n      episodes: " + e.problem;
    for (const std::string& change : o.registry.outside) text += "\n      " + change;
    return text;
}

// The fuzz on the four channels with the episodes beside it.
void RunFuzzAndEpisodes(unsigned messages, uint32_t seed, DWORD serviceId, HostileOutcome& outcome) {
    const double start = NowMs();
    FuzzProgress progress;
    std::thread episodeThread([&] { outcome.episodes = PlayEpisodes(messages, progress, serviceId); });
    outcome.fuzz = FuzzAllChannels(messages, seed, progress);
    progress.End();
    episodeThread.join();
    outcome.fuzzMs = NowMs() - start;
}

}  // namespace

Figure RunHostileInput(Bench& bench, unsigned messages, uint32_t seed) {
    HostileRegistry registry;
    if (!registry.ready()) return Broken(kLabel, "the registry policy could not be set");
    if (!WriteFileBytes(DataDir() + "\\vpnconfig.cfg", "gateway = 192.0.2.1\r\n")) {
        return Broken(kLabel, "the configuration store could not be written");
    }
    const QuietDaemon quiet;
    if (!quiet.ready()) return Broken(kLabel, "the daemon stand-in's switches could not be written");
    RunningService service;
    if (!service.ok()) return Broken(kLabel, service.WhyNotStarted());
    GuiEnd gui;
    if (!gui.ok() || !gui.Announce() || !gui.StartDaemon(kLaunchTimeoutMs)) {
        return Broken(kLabel, "the first daemon did not reach ready");
    }
    const DWORD serviceId = service.processId();
    FuzzProgress warmUp;
    FuzzAllChannels(kWarmUpMessages, seed ^ kWarmUpSeedMix, warmUp);
    HostileOutcome outcome;
    outcome.seed = seed;
    const size_t crashMark = bench.CrashLogMark();
    const size_t launchesBefore = CountOccurrences(DaemonJournal(), " start pid=");
    outcome.before = ReadCounts(serviceId);
    const RegistryImage imageBefore = SnapshotMachine();

    RunFuzzAndEpisodes(messages, seed, serviceId, outcome);

    // Watchdogs still acting on an announced process's end clear the GUI's
    // slot, among others: the GUI asks only once they are done.
    WaitUntil([&] { return ThreadCount(serviceId) <= outcome.before.threads + kCountSlack; }, kSettleTimeoutMs);
    outcome.answered = AnswersCorrectly(gui);
    outcome.after = ReadCounts(serviceId);
    outcome.daemonsRunning = ProcessIdsOf("orxike.exe", DaemonDir()).size();
    outcome.launches = CountOccurrences(DaemonJournal(), " start pid=") - launchesBefore;
    outcome.sameProcess = ServiceProcessId(kStarterServiceName) == serviceId && IsProcessRunning(serviceId) &&
                          bench.CrashSince(crashMark).empty();
    outcome.registry = CompareImages(imageBefore, SnapshotMachine(),
                                     {PolicyEffects(), ProtectedEntries(), CredentialProviderKeys(), PlatformKeys()});
    outcome.lines = JudgeSystemLogLines(SystemLogText(), kForgedRecord);
    service.Stop();
    const std::vector<DWORD> left = ProcessIdsOf("orxike.exe", DaemonDir());
    for (DWORD id : left) KillProcess(id);  // the next scenario needs "vpnike" free
    outcome.daemonsLeft = left.size();
    return {kLabel, Describe(outcome), outcome.Holds()};
}

}  // namespace reliability

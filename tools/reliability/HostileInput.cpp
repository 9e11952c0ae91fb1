// Hostile input on the four server channels at once: random messages and
// length words forged into the mailboxes (FuzzMessages). The daemon's side is
// played by this program (it holds "vpnike" and has done the handshake) and
// "Path" is unset, so the messages that start or stop the daemon act at once
// instead of launching thousands of daemons. Afterwards the service must
// still answer a GUI request correctly, be the same process, and, with the
// registry policy on, have written nothing outside the allowed prefix.
#include "tools/reliability/Scenarios.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/RegistryPolicy.h"
#include "tests/support/ClientChannel.h"
#include "tests/support/InstalledService.h"
#include "tests/support/MailboxWatch.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/RawMailbox.h"
#include "tests/support/Stats.h"
#include "tools/reliability/FuzzMessages.h"
#include "tools/reliability/PlayedPeers.h"
#include "tools/reliability/RegistrySnapshot.h"
#include "tools/reliability/RunFiles.h"

#include <cstring>
#include <thread>

namespace reliability {

using namespace testing_support;

namespace {

constexpr char kLabel[] = "hostile input";
constexpr DWORD kFreedTimeoutMs = 10000;
constexpr DWORD kAnswerTimeoutMs = 10000;
constexpr char kOurKey[] = "SOFTWARE\\OrxReliability";
constexpr char kFuzzValueName[] = "OrxReliabilityFuzz";

// What one channel's fuzzer did.
struct ChannelFuzz {
    std::string channel;
    uint32_t seed = 0;
    unsigned count = 0;
    uint64_t placed = 0, busy = 0, forged = 0, forgedFreed = 0, aimedOutside = 0;
};

void FuzzChannel(ChannelFuzz& job) {
    const ClientChannel client(job.channel);
    raw_mailbox::Client raw;
    MailboxWatch watch(job.channel);
    if (!client.ok() || !raw.Open(job.channel) || !watch.ok()) return;
    FuzzSource source(job.seed);
    const unsigned char none = 0;
    for (unsigned i = 0; i < job.count; ++i) {
        const FuzzMessage message = source.Next();
        if (message.forged) {
            if (raw.SendForgedLength(message.forgedLength) != raw_mailbox::SendResult::Sent) {
                ++job.busy;
                continue;
            }
            ++job.forged;
            job.forgedFreed += watch.WaitFreed(kFreedTimeoutMs);
            continue;
        }
        const void* bytes = message.bytes.empty() ? &none : message.bytes.data();
        if (client.Send(bytes, static_cast<DWORD>(message.bytes.size()))) {
            ++job.placed;
            job.aimedOutside += message.aim == RegistryAim::Outside;
        } else {
            ++job.busy;
        }
    }
    watch.WaitFreed(kFreedTimeoutMs);  // the last message handled
}

std::vector<ChannelFuzz> FuzzAllChannels(unsigned messages, uint32_t seed) {
    const std::string channels[] = {"Global\\vpnsrvcfg", "Global\\vpnsrvlogonui", "Global\\vpn2vpn",
                                    ServiceIkeChannelName()};
    std::vector<ChannelFuzz> jobs(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < jobs.size(); ++i) {
        jobs[i].channel = channels[i];
        jobs[i].seed = seed + static_cast<uint32_t>(i);
        jobs[i].count = messages / 4;
        threads.emplace_back(FuzzChannel, std::ref(jobs[i]));
    }
    for (auto& thread : threads) thread.join();
    return jobs;
}

// A load request carrying a number of its own in L: its answer is told apart
// from the answers to the fuzz's requests, and must be right in every field.
bool AnswersCorrectly(GuiEnd& gui) {
    gui.inbox().Forget();
    if (!gui.Announce() || !gui.SendEmpty(VPNCONF_STARTED)) return false;
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
        return answer.length == IPC_MAX_MSG_SIZE && answer.Word(offsetof(IpcConfigRespMsg, answerLength)) == IPC_CONFIG_ANSWER_SIZE &&
               answer.Word(offsetof(IpcConfigRespMsg, result)) == 0 &&
               answer.Word(offsetof(IpcConfigRespMsg, operation)) == 0;
    }
    return false;
}

// The registry state the scenario needs, put back whatever happens: the
// policy on, a value outside the prefix to aim at, and nothing left of what
// the fuzz aimed at.
class HostileRegistry {
public:
    HostileRegistry() {
        const std::string prefixes = std::string(kAllowedPrefix) + '\0' + '\0';
        orx::UniqueHKey key;
        ready_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 key.put(), nullptr) == ERROR_SUCCESS &&
                 RegSetValueExA(key.get(), gui_registry::kPolicyValue, 0, REG_MULTI_SZ,
                                reinterpret_cast<const BYTE*>(prefixes.data()),
                                static_cast<DWORD>(prefixes.size())) == ERROR_SUCCESS &&
                 outside_.SetString("kept by the policy");
    }
    HostileRegistry(const HostileRegistry&) = delete;
    HostileRegistry& operator=(const HostileRegistry&) = delete;
    bool ready() const { return ready_; }

private:
    // Our own keys, and the values of our own names the fuzz aimed at (were
    // any written, the figure says so; the prefix must not keep them).
    // Before the scenario and after it, once everything else is put back.
    struct Tidy {
        Tidy() { Run(); }
        ~Tidy() { Run(); }
        static void Run() {
            DeleteRegTree(HKEY_LOCAL_MACHINE, kOurKey);
            DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxReliabilityAllowed");
            for (const std::string& target : OutsideTargets()) {
                const size_t bar = target.find('|');
                const std::string value = target.substr(bar + 1);
                if (value == kFuzzValueName) {
                    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, target.substr(0, bar).c_str(), value.c_str());
                }
            }
        }
    };

    Tidy tidy_;
    ScopedRegValue policy_{HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, gui_registry::kPolicyValue};
    ScopedRegValue outside_{HKEY_LOCAL_MACHINE, kOutsideKey, kOutsideValue};
    bool ready_ = false;
};

RegistryImage SnapshotMachine() {
    RegistryImage image = SnapshotRegistry(HKEY_LOCAL_MACHINE, "SOFTWARE");
    RegistryImage system = SnapshotRegistry(HKEY_LOCAL_MACHINE, "SYSTEM");
    image.insert(system.begin(), system.end());
    return image;
}

}  // namespace

Figure RunHostileInput(Bench& bench, unsigned messages, uint32_t seed) {
    HostileRegistry registry;
    if (!registry.ready()) return Broken(kLabel, "the registry policy could not be set");
    if (!WriteFileBytes(DataDir() + "\\vpnconfig.cfg", "gateway = 192.0.2.1\r\n")) {
        return Broken(kLabel, "the configuration store could not be written");
    }
    RunningService service;
    if (!service.ok()) return Broken(kLabel, service.WhyNotStarted());
    PlayedPeers peers(bench.settings());
    if (!peers.problem().empty()) return Broken(kLabel, peers.problem());
    GuiEnd& gui = peers.gui();
    const size_t crashMark = bench.CrashLogMark();
    const RegistryImage before = SnapshotMachine();
    const std::vector<ChannelFuzz> jobs = FuzzAllChannels(messages, seed);
    ChannelFuzz total;
    for (const ChannelFuzz& job : jobs) {
        total.placed += job.placed;
        total.busy += job.busy;
        total.forged += job.forged;
        total.forgedFreed += job.forgedFreed;
        total.aimedOutside += job.aimedOutside;
    }
    const bool answered = AnswersCorrectly(gui);
    const bool sameProcess = ServiceProcessId(kStarterServiceName) == service.processId() &&
                             IsProcessRunning(service.processId()) && bench.CrashSince(crashMark).empty();
    const RegistryChanges changes = CompareImages(before, SnapshotMachine(), kAllowedPrefix);
    service.Stop();

    const uint64_t sent = total.placed + total.busy + total.forged;
    const bool holds = sent > 0 && answered && sameProcess && changes.outside.empty() && changes.inside > 0 &&
                       total.forgedFreed == total.forged;
    std::string result = Grouped(sent) + " messages on 4 channels (" + Grouped(total.forged) +
                         " forged lengths, " + Grouped(total.forgedFreed) + " dropped and freed; " +
                         Grouped(total.busy) + " sends timed out): " + (answered ? "answered" : "NOT answered") +
                         " after, " + (sameProcess ? "same process" : "the process did NOT survive") + ", " +
                         Grouped(changes.outside.size()) + " registry writes outside the allowed prefix (" +
                         Grouped(total.aimedOutside) + " aimed there), " + Grouped(changes.inside) +
                         " entries written inside; seed " + std::to_string(seed);
    for (const std::string& change : changes.outside) result += "\n      " + change;
    return {kLabel, result, holds};
}

}  // namespace reliability

// The supervisor's decisions, checked over every sequence of events up to a
// depth, against a small model of the world (daemon processes, IKEEXT, the
// launch under way), and in the cases that once went wrong.
#include "orxstarter/ike/DaemonSupervisor.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

using namespace daemon_supervision;

namespace {

enum class Ev : uint8_t {
    RequestLaunch,
    CreateSucceeds,
    CreateFails,
    CreateSucceedsWatchdogFails,
    DaemonExits,
    DeliverEnd,
    DeliverEndAgain,
    StartedOk,
    StartedWithError,
    Stopped,
    Alive,
    ReadyToDie,
    StopDaemon,
    ServiceStop,
    LingeringExpired,
    AdminStartsIkeext,
    Count,
};

const char* Name(Ev e) {
    static const char* const kNames[] = {"RequestLaunch", "CreateSucceeds", "CreateFails", "CreateWatchdogFails",
                                         "DaemonExits",   "DeliverEnd",     "DeliverEndAgain", "StartedOk",
                                         "StartedWithError", "Stopped",     "Alive",       "ReadyToDie",
                                         "StopDaemon",    "ServiceStop",    "LingeringExpired", "AdminStartsIkeext"};
    return kNames[static_cast<int>(e)];
}

// The world as the shell sees it. At most a few processes ever matter: the
// current one, and ended ones whose end may be reported (again).
struct World {
    struct Process {
        uint32_t generation;
        bool alive;
        bool endPending;  // ended, its end not yet reported to the machine
    };
    Supervisor machine;
    std::vector<Process> processes;
    bool creationPending = false;
    uint32_t pendingGeneration = 0;
    bool lingeringWait = false;
    uint32_t lingeringGeneration = 0;
    bool ikeextRunning = true;
    bool ikeextStoppedByUs = false;
    uint32_t lastDelivered = 0;
    std::vector<uint32_t> launchedAfterStop;  // must stay empty

    std::string Key() const {
        const State& s = machine.state();
        std::string key;
        auto put = [&](uint32_t v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); };
        put(static_cast<uint32_t>(s.phase));
        put(s.generation);
        put(static_cast<uint32_t>(s.reported));
        put(s.connected | s.endRequested << 1 | s.endReported << 2 | s.terminateOnCreation << 3 | s.stopping << 4 |
            s.ikeextOurs << 5 | creationPending << 6 | lingeringWait << 7 | ikeextRunning << 8 |
            ikeextStoppedByUs << 9);
        put(pendingGeneration);
        put(lingeringGeneration);
        put(lastDelivered);
        for (const auto& p : processes) put(p.generation << 2 | p.alive << 1 | p.endPending);
        return key;
    }

    int Alive() const {
        int alive = 0;
        for (const auto& p : processes) alive += p.alive ? 1 : 0;
        return alive;
    }

    Process* Find(uint32_t generation) {
        for (auto& p : processes) {
            if (p.generation == generation) return &p;
        }
        return nullptr;
    }

    void Apply(const Actions& actions) {
        if (actions.terminate) {
            if (Process* p = Find(actions.generation); p != nullptr && p->alive) {
                p->alive = false;
                p->endPending = true;
            }
        }
        if (actions.restoreIkeext && !ikeextRunning) {
            ikeextRunning = true;
            ikeextStoppedByUs = false;
        }
    }

    void Deliver(Process& p) {
        p.endPending = false;
        lastDelivered = p.generation;
        Apply(machine.ProcessEnded(p.generation));
        // Ended and reported processes matter no more, but for a repeat.
        std::vector<Process> kept;
        for (const auto& q : processes) {
            if (q.alive || q.endPending) kept.push_back(q);
        }
        processes = kept;
    }

    void Create(bool watchdogFails) {
        creationPending = false;
        processes.push_back({pendingGeneration, true, false});
        Apply(machine.LaunchCreated(pendingGeneration));
        if (!watchdogFails) return;
        // With no watchdog the shell ends the process and waits for it itself.
        Apply(machine.WatchdogFailed(pendingGeneration));
        if (Process* p = Find(pendingGeneration); p != nullptr && p->endPending) Deliver(*p);
    }

    // False when the event cannot happen in this world.
    bool Step(Ev e) {
        switch (e) {
        case Ev::RequestLaunch: {
            if (creationPending) return false;  // the shell launches one at a time
            const bool stopping = machine.state().stopping;
            const LaunchDecision decision = machine.RequestLaunch();
            if (decision == LaunchDecision::Launch) {
                if (stopping) launchedAfterStop.push_back(machine.state().generation);
                const bool stops = ikeextRunning;
                if (stops) {
                    ikeextRunning = false;
                    ikeextStoppedByUs = true;
                }
                machine.IkeextSteppedAside(stops);
                creationPending = true;
                pendingGeneration = machine.state().generation;
            } else if (decision == LaunchDecision::Lingering) {
                lingeringWait = true;
                lingeringGeneration = machine.state().generation;
            }
            return true;
        }
        case Ev::CreateSucceeds:
        case Ev::CreateSucceedsWatchdogFails:
            if (!creationPending) return false;
            Create(e == Ev::CreateSucceedsWatchdogFails);
            return true;
        case Ev::CreateFails:
            if (!creationPending) return false;
            creationPending = false;
            Apply(machine.LaunchFailed(pendingGeneration));
            return true;
        case Ev::DaemonExits:
            for (auto& p : processes) {
                if (p.alive) {
                    p.alive = false;
                    p.endPending = true;
                    return true;
                }
            }
            return false;
        case Ev::DeliverEnd:
            for (auto& p : processes) {
                if (p.endPending) {
                    Deliver(p);
                    return true;
                }
            }
            return false;
        case Ev::DeliverEndAgain: {
            if (lastDelivered == 0) return false;
            const State before = machine.state();
            const Actions actions = machine.ProcessEnded(lastDelivered);
            if (lastDelivered != before.generation || before.phase != Phase::Running) {
                EXPECT_TRUE(before == machine.state()) << "a repeated or stale end changed the state";
                EXPECT_FALSE(actions.closeClient || actions.restoreIkeext || actions.tellGuiCrashed);
            }
            Apply(actions);
            return true;
        }
        case Ev::StartedOk: Apply(machine.DaemonReported(Report::StartedOk)); return true;
        case Ev::StartedWithError: Apply(machine.DaemonReported(Report::StartedWithError)); return true;
        case Ev::Stopped: Apply(machine.DaemonReported(Report::Stopped)); return true;
        case Ev::Alive: Apply(machine.DaemonReported(Report::Alive)); return true;
        case Ev::ReadyToDie: Apply(machine.DaemonReported(Report::ReadyToDie)); return true;
        case Ev::StopDaemon: Apply(machine.StopDaemon()); return true;
        case Ev::ServiceStop: Apply(machine.BeginServiceStop()); return true;
        case Ev::LingeringExpired:
            if (!lingeringWait) return false;
            lingeringWait = false;
            Apply(machine.LingeringExpired(lingeringGeneration));
            return true;
        case Ev::AdminStartsIkeext:
            if (ikeextRunning) return false;
            ikeextRunning = true;
            ikeextStoppedByUs = false;
            return true;
        case Ev::Count: break;
        }
        return false;
    }

    // Empty when every invariant holds.
    std::string Broken() const {
        const State& s = machine.state();
        if (Alive() + (creationPending ? 1 : 0) > 1) return "two daemons";
        if (!launchedAfterStop.empty()) return "a launch once stopping";
        if (s.stopping && Alive() > 0) return "a daemon alive once stopping";
        const bool oursRuns = creationPending || s.phase != Phase::Idle;
        if (!oursRuns && ikeextStoppedByUs) return "IKEEXT left stopped with no daemon of ours";
        if (s.phase == Phase::Idle && Alive() > 0) return "a daemon alive that the supervisor forgot";
        return {};
    }
};

// The service stops in `world`: once the creation under way has its outcome
// and every end is reported, no daemon may run and IKEEXT must be back.
std::string StopLeaves(const World& world) {
    for (Ev outcome : {Ev::CreateSucceeds, Ev::CreateFails}) {
        World stopped = world;
        stopped.Step(Ev::ServiceStop);
        stopped.Step(outcome);
        while (stopped.Step(Ev::DeliverEnd)) {
        }
        if (stopped.Alive() > 0) return "a daemon alive";
        if (stopped.machine.state().phase != Phase::Idle) return "the supervisor still busy";
        if (stopped.ikeextStoppedByUs) return "IKEEXT not restored";
    }
    return {};
}

struct Explorer {
    std::unordered_map<std::string, int> deepestLeft;  // state -> most steps left it was explored with
    std::vector<Ev> path;
    long long steps = 0;
    std::string failure;

    void Explore(const World& world, int left) {
        if (!failure.empty() || left == 0) return;
        auto [it, inserted] = deepestLeft.emplace(world.Key(), left);
        if (!inserted) {
            if (it->second >= left) return;
            it->second = left;
        }
        for (int e = 0; e < static_cast<int>(Ev::Count) && failure.empty(); ++e) {
            World next = world;
            if (!next.Step(static_cast<Ev>(e))) continue;
            ++steps;
            path.push_back(static_cast<Ev>(e));
            const std::string broken = next.Broken();
            if (!broken.empty()) {
                failure = broken + " after:";
            } else if (const std::string unfinished = StopLeaves(next); !unfinished.empty()) {
                failure = unfinished + " after a stop following:";
            }
            if (!failure.empty()) {
                for (Ev done : path) failure += std::string(" ") + Name(done);
            }
            Explore(next, left - 1);
            path.pop_back();
        }
    }
};

}  // namespace

// Every sequence of up to 10 events (launch requests, creation outcomes, the
// daemon's reports forged or not, process ends and repeated end reports,
// requested stops, the service's stop, IKEEXT started by someone else), and
// after each one a stop that must end everything.
TEST(DaemonSupervisorModel, NoSequenceBreaksAnInvariant) {
    Explorer explorer;
    explorer.Explore(World{}, 10);
    EXPECT_EQ("", explorer.failure);
    EXPECT_GT(explorer.deepestLeft.size(), 1000u);  // the search did reach far
}

TEST(DaemonSupervisor, ForgedStoppedOrReadyToDieMakesALaunchWaitForTheOldDaemonNotStartASecond) {
    for (Report ending : {Report::Stopped, Report::ReadyToDie}) {
        Supervisor s;
        ASSERT_EQ(LaunchDecision::Launch, s.RequestLaunch());
        s.LaunchCreated(1);
        s.DaemonReported(Report::Alive);
        s.DaemonReported(ending);
        EXPECT_FALSE(s.DaemonRunning());
        EXPECT_EQ(LaunchDecision::Lingering, s.RequestLaunch());
        const Actions ended = s.LingeringExpired(1);
        EXPECT_TRUE(ended.terminate);
        EXPECT_EQ(1u, ended.generation);
        EXPECT_EQ(LaunchDecision::Lingering, s.RequestLaunch()) << "still ours until its end is seen";
        s.ProcessEnded(1);
        EXPECT_EQ(LaunchDecision::Launch, s.RequestLaunch());
    }
}

TEST(DaemonSupervisor, SecondRequestWhileOneRunsOrLaunchesStartsNothing) {
    Supervisor s;
    ASSERT_EQ(LaunchDecision::Launch, s.RequestLaunch());
    EXPECT_EQ(LaunchDecision::InProgress, s.RequestLaunch());
    s.LaunchCreated(1);
    s.DaemonReported(Report::StartedOk);
    EXPECT_EQ(LaunchDecision::AlreadyRunning, s.RequestLaunch());
}

TEST(DaemonSupervisor, EndOfAReplacedDaemonChangesNothingOfItsSuccessor) {
    Supervisor s;
    s.RequestLaunch();
    s.LaunchCreated(1);
    s.DaemonReported(Report::ReadyToDie);
    s.LingeringExpired(1);
    s.ProcessEnded(1);
    ASSERT_EQ(LaunchDecision::Launch, s.RequestLaunch());
    s.LaunchCreated(2);
    s.DaemonReported(Report::Alive);
    const State before = s.state();
    const Actions stale = s.ProcessEnded(1);
    EXPECT_FALSE(stale.tellGuiCrashed || stale.closeClient || stale.restoreIkeext || stale.logEvent != 0);
    EXPECT_TRUE(before == s.state());
    EXPECT_TRUE(s.Connected());
}

TEST(DaemonSupervisor, EndOfAReadyDaemonIsACrashUnlessItWasAskedFor) {
    struct Case {
        const char* how;
        void (*end)(Supervisor&);
        uint32_t event;
        int32_t level;
    };
    const Case cases[] = {
        {"killed from outside", [](Supervisor&) {}, kEventDaemonCrashed, kLevelError},
        {"the GUI's reset", [](Supervisor& s) { s.StopDaemon(); }, kEventDaemonStopped, kLevelNotice},
        {"the service's stop", [](Supervisor& s) { s.BeginServiceStop(); }, kEventDaemonStopped, kLevelNotice},
    };
    for (const Case& c : cases) {
        Supervisor s;
        s.RequestLaunch();
        s.IkeextSteppedAside(true);
        s.LaunchCreated(1);
        s.DaemonReported(Report::Alive);
        c.end(s);
        const Actions ended = s.ProcessEnded(1);
        EXPECT_EQ(c.event, ended.logEvent) << c.how;
        EXPECT_EQ(c.level, ended.logLevel) << c.how;
        EXPECT_TRUE(ended.tellGuiCrashed) << c.how;
        EXPECT_TRUE(ended.closeClient && ended.restoreIkeext) << c.how;
        EXPECT_FALSE(s.Connected()) << c.how;
    }
}

TEST(DaemonSupervisor, IkeextIsRestoredOnEveryPathThatLeavesNoDaemon) {
    {  // the launch fails
        Supervisor s;
        s.RequestLaunch();
        s.IkeextSteppedAside(true);
        EXPECT_TRUE(s.LaunchFailed(1).restoreIkeext);
    }
    {  // the daemon ends before its handshake: no event, still restored
        Supervisor s;
        s.RequestLaunch();
        s.IkeextSteppedAside(true);
        s.LaunchCreated(1);
        const Actions ended = s.ProcessEnded(1);
        EXPECT_TRUE(ended.restoreIkeext);
        EXPECT_EQ(0u, ended.logEvent);
        EXPECT_FALSE(ended.tellGuiCrashed);
    }
    {  // a stop while the process is being created: ended at creation
        Supervisor s;
        s.RequestLaunch();
        s.IkeextSteppedAside(true);
        EXPECT_FALSE(s.BeginServiceStop().terminate);
        const Actions created = s.LaunchCreated(1);
        EXPECT_TRUE(created.terminate && created.startWatchdog);
        EXPECT_TRUE(s.ProcessEnded(1).restoreIkeext);
    }
    {  // IKEEXT was not running: nothing owed
        Supervisor s;
        s.RequestLaunch();
        s.IkeextSteppedAside(false);
        EXPECT_FALSE(s.LaunchFailed(1).restoreIkeext);
    }
}

// A daemon the service did not launch that says it runs (started by hand)
// is talked to and not doubled; once it says it stopped, a launch goes on.
TEST(DaemonSupervisor, DaemonNotOursThatSaysItRunsIsNotDoubled) {
    Supervisor s;
    EXPECT_TRUE(s.DaemonReported(Report::StartedOk).connectClient);
    s.DaemonReported(Report::Alive);
    EXPECT_TRUE(s.Connected());
    EXPECT_EQ(LaunchDecision::AlreadyRunning, s.RequestLaunch());
    EXPECT_FALSE(s.BeginServiceStop().terminate) << "not ours to end";
    Supervisor t;
    t.DaemonReported(Report::Alive);
    t.DaemonReported(Report::Stopped);
    EXPECT_EQ(LaunchDecision::Launch, t.RequestLaunch());
    EXPECT_TRUE(t.DaemonReported(Report::StartedOk).connectClient) << "the launched daemon may report before creation returns";
}

TEST(DaemonSupervisor, ResetStopsARunningDaemonAndLaunchesOtherwise) {
    Supervisor s;
    EXPECT_FALSE(s.ResetStops());
    s.RequestLaunch();
    s.LaunchCreated(1);
    EXPECT_TRUE(s.ResetStops());
    s.DaemonReported(Report::ReadyToDie);
    EXPECT_FALSE(s.ResetStops()) << "a daemon that says it ends is replaced, not stopped";
}

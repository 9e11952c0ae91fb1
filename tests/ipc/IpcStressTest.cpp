// Many threads open, send on and close channels at once, sharing their
// handles: sends and closes race with closes of the same handle, callbacks
// run while their channel is closed. No crash, no deadlock, and every handle
// is given back.
#include "DebugTrace.h"
#include "IpcTestSupport.h"
#include "interps.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <vector>

using namespace ipc_test;

namespace {

constexpr unsigned kThreads = 8;
constexpr size_t kSlots = 16;
constexpr unsigned kNames = 4;
constexpr DWORD kRunMs = 4000;

struct Shared {
    std::vector<std::string> names;
    std::atomic<HANDLE> slots[kSlots] = {};
    std::atomic<bool> stop{false};
    std::atomic<unsigned> received{0};
    std::atomic<unsigned> sent{0};
    std::atomic<unsigned> operations{0};
};

// Mostly quick; now and then slow enough to outlast the close's 1000 ms wait.
BOOL StressCallback(void* message, DWORD length, void* context) {
    auto* shared = static_cast<Shared*>(context);
    shared->received.fetch_add(1);
    const auto* bytes = static_cast<const uint8_t*>(message);
    if (length >= 4 && bytes[3] == 0x7F) Sleep(1100);
    else if (length >= 4 && bytes[3] == 0x10) Sleep(20);
    return TRUE;
}

// Puts a fresh handle into an empty slot, or closes it when none is free.
void Place(Shared& shared, HANDLE channel, size_t slot) {
    if (channel == nullptr) return;
    HANDLE expected = nullptr;
    if (!shared.slots[slot].compare_exchange_strong(expected, channel)) IPCUnitialize(channel);
}

// Senders spend most of their time waiting for busy mailboxes; churners only
// open and close, so handles keep being closed under waiting senders.
struct WorkerArgs {
    Shared* shared;
    unsigned seed;
    bool churner;
};

DWORD WINAPI Worker(void* param) {
    const WorkerArgs& args = *static_cast<WorkerArgs*>(param);
    Shared& shared = *args.shared;
    const bool churner = args.churner;
    std::mt19937 random(args.seed);
    std::vector<uint8_t> message = PatternMessage(0x1004, 696);
    while (!shared.stop.load()) {
        shared.operations.fetch_add(1);
        const size_t slot = random() % kSlots;
        const std::string& name = shared.names[random() % kNames];
        switch (random() % (churner ? 5 : 10)) {
        case 0:
            Place(shared, IPCInitServer(name.c_str(), StressCallback, nullptr, &shared), slot);
            break;
        case 1:
        case 2:
            Place(shared, IPCInitClient(name.c_str()), slot);
            break;
        case 3:  // close what the slot holds
            if (HANDLE channel = shared.slots[slot].exchange(nullptr)) IPCUnitialize(channel);
            break;
        case 4:  // close it behind the back of whoever else holds it: a later close is refused
            IPCUnitialize(shared.slots[slot].load());
            break;
        default: {
            const unsigned pick = random() % 100;
            message[3] = pick == 0 ? 0x7F : pick < 10 ? 0x10 : 0x00;
            const DWORD size = static_cast<DWORD>(random() % (IPC_MAX_MSG_SIZE + 2));  // 697 now and then
            if (IPCSendMsg(shared.slots[slot].load(), message.data(), size)) shared.sent.fetch_add(1);
        }
        }
    }
    return 0;
}

}  // namespace

TEST(IpcStress, ConcurrentOpenSendCloseNeitherCrashesNorDeadlocksNorLeaks) {
    // Trace lines are formatted from the records while they are in use.
    IpcTraceSetting trace(TRACE_TO_DEBUGGER);
    // Let the trace settings and the thread pool settle before counting.
    Shared shared;
    for (unsigned i = 0; i < kNames; ++i) shared.names.push_back(UniqueName("stress"));
    HANDLE warm = IPCInitServer(shared.names[0].c_str(), StressCallback, nullptr, &shared);
    ASSERT_NE(nullptr, warm);
    IPCUnitialize(warm);
    const DWORD before = CountProcessHandles();
    const std::vector<ULONG_PTR> handlesBefore = HandleValues();

    // Win32 threads: the C++ runtime's own threads keep lazily made handles
    // of their own, which would blur the count.
    WorkerArgs args[kThreads];
    HANDLE workers[kThreads];
    for (unsigned i = 0; i < kThreads; ++i) {
        args[i] = WorkerArgs{&shared, 1000 + i, i % 2 == 1};
        workers[i] = CreateThread(nullptr, 0, Worker, &args[i], 0, nullptr);
        ASSERT_NE(nullptr, workers[i]);
    }
    Sleep(kRunMs);
    shared.stop.store(true);

    // A deadlocked worker would never come back: give them a generous bound
    // (a send waits at most 2 s, a close at most 1 s) and fail instead of hanging.
    if (WaitForMultipleObjects(kThreads, workers, TRUE, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "workers still running after 60 s: deadlock";
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    for (HANDLE worker : workers) CloseHandle(worker);

    for (auto& slot : shared.slots) {
        if (HANDLE channel = slot.exchange(nullptr)) IPCUnitialize(channel);
    }
    std::printf("%u operations, %u messages sent, %u received\n", shared.operations.load(), shared.sent.load(),
                shared.received.load());
    EXPECT_GT(shared.sent.load(), 0u);
    EXPECT_GT(shared.received.load(), 0u);
    // Callbacks that outlived their close release their channels on their own.
    EXPECT_EQ(before, WaitForHandleCount(before, 10000)) << DescribeNewHandles(handlesBefore);
}

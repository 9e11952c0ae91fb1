// Many threads open, send on and close channels at once, sharing their
// handles: sends and closes race with closes of the same handle, callbacks
// run while their channel is closed. No crash, no deadlock, and every handle
// is given back.
#include "tests/ipc/IpcTestSupport.h"
#include "common/orxinterps/src/interps.h"

#include <cstdio>
#include <random>

using namespace ipc_test;

namespace {

constexpr unsigned kThreads = 8;
constexpr size_t kSlots = 16;
constexpr DWORD kRunMs = 4000;

std::string g_names[4];
std::atomic<HANDLE> g_slots[kSlots];
std::atomic<bool> g_stop{false};
std::atomic<unsigned> g_sent{0}, g_received{0};

// Mostly quick; now and then slow enough to outlast the close's 1000 ms wait.
BOOL StressCallback(void* message, DWORD length, void*) {
    g_received.fetch_add(1);
    const uint8_t marker = length >= 4 ? static_cast<const uint8_t*>(message)[3] : 0;
    if (marker != 0) Sleep(marker == 0x7F ? 1100 : 20);
    return TRUE;
}

// Puts a fresh handle into an empty slot, or closes it when none is free.
void Place(HANDLE channel, size_t slot) {
    HANDLE expected = nullptr;
    if (channel != nullptr && !g_slots[slot].compare_exchange_strong(expected, channel)) IPCUnitialize(channel);
}

// Odd workers only open and close, so handles keep being closed under the
// even ones, which spend most of their time sending into busy mailboxes.
DWORD WINAPI Worker(void* param) {
    const auto index = static_cast<unsigned>(reinterpret_cast<uintptr_t>(param));
    std::mt19937 random(1000 + index);
    Bytes message = PatternMessage(0x1004, 696);
    while (!g_stop.load()) {
        const size_t slot = random() % kSlots;
        const char* name = g_names[random() % std::size(g_names)].c_str();
        switch (random() % (index % 2 == 1 ? 5 : 10)) {
        case 0: Place(IPCInitServer(name, StressCallback, nullptr, nullptr), slot); break;
        case 1:
        case 2: Place(IPCInitClient(name), slot); break;
        case 3: IPCUnitialize(g_slots[slot].exchange(nullptr)); break;
        case 4: IPCUnitialize(g_slots[slot].load()); break;  // behind the back of whoever else holds it
        default:
            const unsigned pick = random() % 100;
            message[3] = pick == 0 ? 0x7F : pick < 10 ? 0x10 : 0x00;
            const DWORD size = random() % (IPC_MAX_MSG_SIZE + 2);  // 697 now and then
            if (IPCSendMsg(g_slots[slot].load(), message.data(), size)) g_sent.fetch_add(1);
        }
    }
    return 0;
}

}  // namespace

TEST(IpcStress, ConcurrentOpenSendCloseNeitherCrashesNorDeadlocksNorLeaks) {
    // Trace lines are formatted from the records while they are in use.
    IpcTraceSetting trace(TRACE_TO_DEBUGGER);
    for (std::string& name : g_names) name = UniqueName("stress");
    // What the library and the thread pool make once is made before counting.
    IPCUnitialize(IPCInitServer(g_names[0].c_str(), StressCallback, nullptr, nullptr));
    const DWORD before = CountProcessHandles();

    // Win32 threads: the C++ runtime's own threads keep lazily made handles
    // of their own, which would blur the count.
    HANDLE workers[kThreads];
    for (uintptr_t i = 0; i < kThreads; ++i) {
        workers[i] = CreateThread(nullptr, 0, Worker, reinterpret_cast<void*>(i), 0, nullptr);
    }
    Sleep(kRunMs);
    g_stop.store(true);
    // A deadlocked worker would never come back: give them a generous bound
    // (a send waits at most 2 s, a close at most 1 s) and fail instead of hanging.
    if (WaitForMultipleObjects(kThreads, workers, TRUE, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "workers still running after 60 s: deadlock";
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    for (HANDLE worker : workers) CloseHandle(worker);
    for (auto& slot : g_slots) IPCUnitialize(slot.exchange(nullptr));
    EXPECT_GT(g_sent.load(), 0u);
    EXPECT_GT(g_received.load(), 0u);
    // Callbacks that outlived their close release their channels on their own.
    EXPECT_EQ(before, WaitForHandleCount(before, 10000));
}

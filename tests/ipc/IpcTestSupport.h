// Helpers of the channel tests: unique names, the IPC trace switched on and
// read back from the debugger output, a counting callback, waiting for the
// handle count, and ipctool run as a peer.
#pragma once

#include "orxstarter/trace/DebugTrace.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ipc_test {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using ::testing::Contains;
using ::testing::StartsWith;

using testing_support::HandleCount;
using testing_support::WaitUntil;

// A channel name no other test or process uses.
inline std::string UniqueName(const std::string& stem) {
    static std::atomic<unsigned> counter{0};
    return "orxtest.ipc." + stem + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

// The IPC trace to the debugger ("StarterLogFile" = 1 and no other setting;
// peers started meanwhile read it too), and captured.
class TracedChannels : public ::testing::Test {
protected:
    TracedChannels() {
        settings_.SetBinary("StarterLogFile", {TRACE_TO_DEBUGGER});
        // This process notices the change through a thread-pool wait.
        WaitUntil([] { return IPCDebugTraceInit() && GetIPCDebugTraceFlags() == TRACE_TO_DEBUGGER; }, 2000);
        // The trace formats its lines with user32, which it maps at its first
        // line and keeps: map it before a test counts this process's handles.
        user32_ = LoadLibraryA("user32.dll");
    }
    ~TracedChannels() override { FreeLibrary(user32_); }
    Lines TraceOf(DWORD pid = GetCurrentProcessId(), DWORD thread = 0) {
        return capture.TraceMessages("[INTERPS", pid, thread);
    }

    testing_support::ScopedServiceSettings settings_;
    testing_support::DebugOutputCapture capture;
    HMODULE user32_ = nullptr;
};

// Lines that start, one for one, with `prefixes`.
inline auto StartWith(const Lines& prefixes) {
    std::vector<::testing::Matcher<std::string>> matchers;
    for (const std::string& prefix : prefixes) matchers.push_back(StartsWith(prefix));
    return ::testing::ElementsAreArray(matchers);
}

// A receive callback that counts the messages into `context`, an std::atomic<int>.
inline BOOL CountMessages(void*, DWORD, void* context) {
    ++*static_cast<std::atomic<int>*>(context);
    return TRUE;
}

// A message of `size` bytes with type code `type`, the rest a byte pattern.
inline Bytes PatternMessage(uint32_t type, size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    std::memcpy(bytes.data(), &type, size < sizeof type ? size : sizeof type);
    return bytes;
}

// Waits until the count comes down to `expected` (threads that end after a
// call returns release the rest); returns the last count.
inline DWORD WaitForHandleCount(DWORD expected, DWORD timeoutMs) {
    DWORD count = 0;
    WaitUntil([&] { return (count = HandleCount()) == expected; }, timeoutMs);
    return count;
}

}  // namespace ipc_test

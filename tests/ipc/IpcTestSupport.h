// Helpers of the channel tests: unique names, the IPC trace switched on and
// read back from the debugger output, a counting callback, handle counts,
// and the channel tools run as peers.
#pragma once

#include "tests/support/DebugCapture.h"
#include "orxstarter/trace/DebugTrace.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace ipc_test {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using ::testing::Contains;
using ::testing::StartsWith;

// Waits until `done()` holds; false when `timeoutMs` passed first.
template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs) {
    for (DWORD waited = 0; !done(); waited += 10) {
        if (waited >= timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

// A channel name no other test or process uses.
inline std::string UniqueName(const std::string& stem) {
    static std::atomic<unsigned> counter{0};
    return "orxtest.ipc." + stem + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

// Sets "StarterLogFile" to `flags` for the life of the object and waits until
// this process's IPC trace follows it (it notices through a thread-pool wait).
class IpcTraceSetting {
public:
    explicit IpcTraceSetting(uint8_t flags) {
        value_.SetBinary({flags});
        WaitUntil([&] { IPCDebugTraceInit(); return GetIPCDebugTraceFlags() == flags; }, 2000);
    }

private:
    testing_support::ScopedRegValue value_{HKEY_LOCAL_MACHINE, testing_support::kAppPathsKey, "StarterLogFile"};
};

// The IPC trace on, to the debugger, and captured; peers started meanwhile
// read the setting too.
class TracedChannels : public ::testing::Test {
protected:
    // The message part (after "(file:line) ") of the IPC trace lines of `pid`.
    Lines TraceOf(DWORD pid = GetCurrentProcessId()) {
        capture.Settle();
        Lines lines;
        for (const std::string& text : capture.TextsFrom(pid)) {
            const size_t start = text.find(") ") + 2;  // the message, without its line feed
            if (text.find("[INTERPS") == std::string::npos) continue;
            lines.push_back(text.substr(start, text.size() - start - 1));
        }
        return lines;
    }
    void ClearTrace() {
        capture.Settle();
        capture.Clear();
    }

    IpcTraceSetting trace{TRACE_TO_DEBUGGER};
    testing_support::DebugOutputCapture capture;
};

// Lines that start, one for one, with `prefixes`.
inline auto StartWith(const Lines& prefixes) {
    std::vector<::testing::Matcher<std::string>> matchers;
    for (const std::string& prefix : prefixes) matchers.push_back(StartsWith(prefix));
    return ::testing::ElementsAreArray(matchers);
}

// A receive callback that counts the messages into `context`, an
// std::atomic<int>.
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

// Handles open in this process. Wine 8's GetProcessHandleCount reports 0, so
// the system's handle table is read instead.
inline DWORD CountProcessHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
    using QueryFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<ULONG_PTR> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    do {
        buffer.resize(buffer.size() * 2);
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof buffer[0]);
        status = query(kExtendedHandleInformation, buffer.data(), bytes, &needed);
    } while (status == kInfoLengthMismatch);
    // SYSTEM_HANDLE_INFORMATION_EX on x64: a count and a reserved word, then
    // entries of five words, the second of which is the owning process.
    for (ULONG_PTR i = 0; status == 0 && i < buffer[0]; ++i) count += buffer[2 + i * 5 + 1] == GetCurrentProcessId();
    return count;
}

// Waits until the count comes down to `expected` (threads that end after a
// call returns release the rest); returns the last count.
inline DWORD WaitForHandleCount(DWORD expected, DWORD timeoutMs) {
    DWORD count = 0;
    WaitUntil([&] { return (count = CountProcessHandles()) == expected; }, timeoutMs);
    return count;
}

// Lower-case hex, written here rather than taken from the tools under test.
inline std::string Hex(const Bytes& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) text += {kDigits[byte >> 4], kDigits[byte & 15]};
    return text;
}

// The message lines ("<length> <hex>") of a listener's output, and the ones
// it should print for `messages`.
inline Lines ListenerLines(const std::string& output) {
    Lines lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] >= '0' && line[0] <= '9') lines.push_back(line);
    }
    return lines;
}
inline Lines PrintedLines(const std::vector<Bytes>& messages) {
    Lines lines;
    for (const Bytes& message : messages) lines.push_back(std::to_string(message.size()) + " " + Hex(message));
    return lines;
}

// "<exe in build/bin>" `arguments`, a command line.
inline std::string ToolCommand(const std::string& exe, const std::string& arguments) {
    return "\"" + testing_support::BinPath(exe) + "\" " + arguments;
}

// Runs "`exe` listen `name` `options`" and waits until its channel is up (its
// "_EVT" event exists); null when it did not come up.
inline std::unique_ptr<testing_support::BackgroundProcess> StartListener(const std::string& exe,
                                                                         const std::string& name,
                                                                         const std::string& options = "") {
    auto listener =
        std::make_unique<testing_support::BackgroundProcess>(ToolCommand(exe, "listen " + name + " " + options));
    const bool up = listener->started() && WaitUntil([&] {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, (name + "_EVT").c_str());
        return event != nullptr && CloseHandle(event);
    }, 20000);
    return up ? std::move(listener) : nullptr;
}

}  // namespace ipc_test

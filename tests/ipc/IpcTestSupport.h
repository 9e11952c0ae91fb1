// Helpers of the channel tests: unique names, the IPC trace switched on and
// read back from the debugger output, a collecting callback, handle counts.
#pragma once

#include "DebugCapture.h"
#include "TestSupport.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ipc_test {

// A channel name no other test or process uses.
std::string UniqueName(const std::string& stem);

// Sets "StarterLogFile" to `flags` for the life of the object and waits until
// this process's IPC trace follows it.
class IpcTraceSetting {
public:
    explicit IpcTraceSetting(uint8_t flags);
    ~IpcTraceSetting();

private:
    testing_support::ScopedRegValue value_;
};

// The message part (after "(file:line) ") of the IPC trace lines captured
// from process `pid`, line feed removed.
std::vector<std::string> IpcLines(testing_support::DebugOutputCapture& capture, DWORD pid);
std::vector<std::string> IpcLinesOfThisProcess(testing_support::DebugOutputCapture& capture);

bool Contains(const std::vector<std::string>& lines, const std::string& line);
bool AnyStartsWith(const std::vector<std::string>& lines, const std::string& prefix);

// Collects what a server channel's callback receives.
class Inbox {
public:
    Inbox();
    ~Inbox();
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    // The callback to pass to IPCInitServer with the inbox as context.
    static BOOL Receive(void* message, DWORD length, void* context);
    // Waits until `count` messages arrived.
    bool WaitFor(size_t count, DWORD timeoutMs);
    std::vector<std::vector<uint8_t>> Messages();

    DWORD holdMs = 0;  // time each message is kept in the callback

private:
    CRITICAL_SECTION lock_;
    HANDLE arrived_;
    std::vector<std::vector<uint8_t>> messages_;
};

// A message of `size` bytes with type code `type`, the rest a byte pattern.
std::vector<uint8_t> PatternMessage(uint32_t type, size_t size);

// Handles open in this process. GetProcessHandleCount where it works; Wine 8
// reports 0 through it, so the system's handle table is read instead.
DWORD CountProcessHandles();

// The values of the handles open in this process.
std::vector<ULONG_PTR> HandleValues();
// "type name" of every handle open now that is not in `before`, for messages.
std::string DescribeNewHandles(const std::vector<ULONG_PTR>& before);

// Waits until the handle count comes down to `expected` (resources released
// by threads that end after the call returns); returns the last count.
DWORD WaitForHandleCount(DWORD expected, DWORD timeoutMs);

// Waits until the channel `name` has been created (its "_EVT" event exists).
bool WaitForChannel(const std::string& name, DWORD timeoutMs);

std::string Hex(const std::vector<uint8_t>& bytes);

// The message lines ("<length> <hex>") of a listener's output, without the
// notices it writes to standard error.
std::vector<std::string> ListenerLines(const std::string& output);
// The lines a listener prints for `messages`.
std::vector<std::string> PrintedLines(const std::vector<std::vector<uint8_t>>& messages);

// "<program in build/bin> <arguments>".
std::string ToolCommand(const std::string& exe, const std::string& arguments);

// Runs "`exe` listen `name` `options`" and waits until its channel exists;
// null when it did not come up.
std::unique_ptr<testing_support::BackgroundProcess> StartListener(const std::string& exe, const std::string& name,
                                                                  const std::string& options = "");

}  // namespace ipc_test

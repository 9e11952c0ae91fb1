#include "IpcTestSupport.h"

#include "ChannelToolText.h"
#include "DebugTrace.h"

#include <atomic>
#include <cstring>

namespace ipc_test {

std::string UniqueName(const std::string& stem) {
    static std::atomic<unsigned> counter{0};
    return "orxtest.ipc." + stem + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
}

IpcTraceSetting::IpcTraceSetting(uint8_t flags)
    : value_(HKEY_LOCAL_MACHINE, testing_support::kAppPathsKey, "StarterLogFile") {
    value_.SetBinary({flags});
    // The IPC trace notices a changed setting through a thread-pool wait:
    // let it catch up before the test relies on the new flags.
    for (int i = 0; i < 200; ++i) {
        IPCDebugTraceInit();
        if (GetIPCDebugTraceFlags() == flags) break;
        Sleep(10);
    }
}

IpcTraceSetting::~IpcTraceSetting() = default;

std::vector<std::string> IpcLines(testing_support::DebugOutputCapture& capture, DWORD pid) {
    std::vector<std::string> lines;
    for (const std::string& text : capture.TextsFrom(pid)) {
        if (text.rfind("[INTERPS", 0) != 0 && text.find(" [INTERPS") == std::string::npos) continue;
        const size_t start = text.find(") ");
        if (start == std::string::npos) continue;
        std::string line = text.substr(start + 2);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> IpcLinesOfThisProcess(testing_support::DebugOutputCapture& capture) {
    return IpcLines(capture, GetCurrentProcessId());
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines) {
        if (l == line) return true;
    }
    return false;
}

bool AnyStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
    for (const std::string& l : lines) {
        if (l.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

Inbox::Inbox() : arrived_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) { InitializeCriticalSection(&lock_); }

Inbox::~Inbox() {
    CloseHandle(arrived_);
    DeleteCriticalSection(&lock_);
}

BOOL Inbox::Receive(void* message, DWORD length, void* context) {
    auto* inbox = static_cast<Inbox*>(context);
    const auto* bytes = static_cast<const uint8_t*>(message);
    EnterCriticalSection(&inbox->lock_);
    inbox->messages_.emplace_back(bytes, bytes + length);
    LeaveCriticalSection(&inbox->lock_);
    SetEvent(inbox->arrived_);
    if (inbox->holdMs != 0) Sleep(inbox->holdMs);
    return TRUE;
}

bool Inbox::WaitFor(size_t count, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        EnterCriticalSection(&lock_);
        const size_t have = messages_.size();
        LeaveCriticalSection(&lock_);
        if (have >= count) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        WaitForSingleObject(arrived_, static_cast<DWORD>(deadline - now));
    }
}

std::vector<std::vector<uint8_t>> Inbox::Messages() {
    EnterCriticalSection(&lock_);
    std::vector<std::vector<uint8_t>> copy = messages_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<uint8_t> PatternMessage(uint32_t type, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    std::memcpy(bytes.data(), &type, size < sizeof type ? size : sizeof type);
    return bytes;
}

namespace {

// SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX / SYSTEM_HANDLE_INFORMATION_EX.
struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};
struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

std::vector<HandleEntry> OwnHandleEntries() {
    using QueryFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<HandleEntry> own;
    auto query = reinterpret_cast<QueryFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (query == nullptr) return own;
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    LONG status;
    while ((status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return own;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    for (ULONG_PTR i = 0; i < table->count; ++i) {
        if (table->entries[i].processId == GetCurrentProcessId()) own.push_back(table->entries[i]);
    }
    return own;
}

// OBJECT_TYPE_INFORMATION / OBJECT_NAME_INFORMATION start with a UNICODE_STRING.
std::string ObjectText(HANDLE handle, ULONG infoClass) {
    using QueryFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
    struct CountedString {
        USHORT length;
        USHORT maximumLength;
        wchar_t* buffer;
    };
    auto query = reinterpret_cast<QueryFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject"));
    alignas(8) char info[2048] = {};
    if (query == nullptr || query(handle, infoClass, info, sizeof info, nullptr) != 0) return "?";
    const auto* text = reinterpret_cast<const CountedString*>(info);
    std::string narrow;
    for (USHORT i = 0; text->buffer != nullptr && i < text->length / 2; ++i) {
        narrow += static_cast<char>(text->buffer[i] < 128 ? text->buffer[i] : '?');
    }
    return narrow;
}

}  // namespace

DWORD CountProcessHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
    return static_cast<DWORD>(OwnHandleEntries().size());
}

std::vector<ULONG_PTR> HandleValues() {
    std::vector<ULONG_PTR> values;
    for (const HandleEntry& entry : OwnHandleEntries()) values.push_back(entry.handleValue);
    return values;
}

std::string DescribeNewHandles(const std::vector<ULONG_PTR>& before) {
    constexpr ULONG kObjectNameInformation = 1;
    constexpr ULONG kObjectTypeInformation = 2;
    std::string text;
    for (ULONG_PTR value : HandleValues()) {
        bool known = false;
        for (ULONG_PTR old : before) known = known || old == value;
        if (known) continue;
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        text += ObjectText(handle, kObjectTypeInformation) + " '" + ObjectText(handle, kObjectNameInformation) + "'; ";
    }
    return text;
}

DWORD WaitForHandleCount(DWORD expected, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    DWORD count = CountProcessHandles();
    while (count != expected && GetTickCount64() < deadline) {
        Sleep(50);
        count = CountProcessHandles();
    }
    return count;
}

bool WaitForChannel(const std::string& name, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, (name + "_EVT").c_str());
        if (event != nullptr) {
            CloseHandle(event);
            return true;
        }
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

std::string Hex(const std::vector<uint8_t>& bytes) { return channel_tool::ToHex(bytes.data(), bytes.size()); }

std::vector<std::string> ListenerLines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] >= '0' && line[0] <= '9') lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> PrintedLines(const std::vector<std::vector<uint8_t>>& messages) {
    std::vector<std::string> lines;
    for (const auto& message : messages) lines.push_back(std::to_string(message.size()) + " " + Hex(message));
    return lines;
}

std::string ToolCommand(const std::string& exe, const std::string& arguments) {
    return "\"" + testing_support::BinPath(exe) + "\" " + arguments;
}

}  // namespace ipc_test

namespace ipc_test {

std::unique_ptr<testing_support::BackgroundProcess> StartListener(const std::string& exe, const std::string& name,
                                                                  const std::string& options) {
    auto listener =
        std::make_unique<testing_support::BackgroundProcess>(ToolCommand(exe, "listen " + name + " " + options));
    if (!listener->started() || !WaitForChannel(name, 20000)) return nullptr;
    return listener;
}

}  // namespace ipc_test

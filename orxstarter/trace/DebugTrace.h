// Developers' debug trace: one line per call to the debugger output and/or the
// daily trace file, as "StarterLogFile" under the daemon's App Paths key asks.
// Two channels of one design: the service's (DebugTrace) and the IPC
// library's (IPCDebugTrace), each with its own flags and path.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

enum : uint32_t {
    TRACE_TO_DEBUGGER = 1,  // OutputDebugStringA
    TRACE_TO_FILE = 2,      // append to the day's file, with a timestamp
};

constexpr size_t TRACE_MSG_SIZE = 512;
constexpr size_t TRACE_LINE_SIZE = 512;
constexpr size_t TRACE_PATH_SIZE = 260;
constexpr size_t IPC_DEBUG_TAG_SIZE = 10;

#define ORX_TRACE_FORMAT(fmt, args) __attribute__((format(ms_printf, fmt, args)))

void DebugTrace(const char* sourceFile, int line, const char* format, ...) ORX_TRACE_FORMAT(3, 4);
void IPCDebugTrace(const char* sourceFile, int line, const char* format, ...) ORX_TRACE_FORMAT(3, 4);

// Reads the setting and builds the service channel's path; once, at the start of the run.
void DebugTraceInit();
// Reads the setting and rebuilds the IPC channel's path; at every IPC operation.
bool IPCDebugTraceInit();

// The GUI's debug-on/off requests write the service channel's flags directly
// (2 or 0); the path stays what DebugTraceInit chose.
void SetDebugTraceFlags(uint32_t flags);
uint32_t GetDebugTraceFlags();
uint32_t GetIPCDebugTraceFlags();

// Tag printed in brackets in every IPC line ("INTERPS   " until the service sets it).
void SetIPCDebugTag(const char* tag);
const char* GetIPCDebugTag();

// The caller's source file. Built here, __FILE__ is the build's path with
// forward slashes, which the trace would print whole; the file's own name is
// what a line should show, as a backslash path would give.
#ifdef __FILE_NAME__
#define ORX_TRACE_SOURCE __FILE_NAME__
#else
#define ORX_TRACE_SOURCE __FILE__
#endif

#define TRACE(...) DebugTrace(ORX_TRACE_SOURCE, __LINE__, __VA_ARGS__)
#define IPCTRACE(...) IPCDebugTrace(ORX_TRACE_SOURCE, __LINE__, __VA_ARGS__)

// A handle or pointer as trace lines show it ("0x%08X"): its low 32 bits.
inline unsigned TraceBits(const void* pointer) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(pointer)); }

// ---- Pure formatting, no OS calls (unit-tested directly) ----
namespace trace_format {

// "%04d%02d%02d %02d:%02d:%02d:%03d", with a trailing blank for the IPC channel.
void Timestamp(const SYSTEMTIME& t, bool trailingBlank, char* out, size_t outSize);

// What follows the last backslash; the whole path when it has none, or when
// its only backslash is its first character.
const char* SourceName(const char* path);

// "%04d-%02d-%02d-vpnstarterdbg.log"
void TraceFileName(const SYSTEMTIME& t, char* out, size_t outSize);

enum class Channel { Service, Ipc };

// One whole line, cut to its buffers, ending in exactly the line feed it needs.
// Returns the line's length.
size_t ComposeLine(Channel channel, const char* timestamp, const char* tag, unsigned long threadId,
                   const char* sourcePath, int line, const char* message, char* out, size_t outSize);

// Interprets the raw bytes of "StarterLogFile" for `channel`. The one-byte
// form is the normal one. The service channel reads a two-byte value as a
// little-endian word; the IPC channel reads exactly one byte, so a two-byte
// value leaves it off (false, flags 0). A longer value, such as one stored as
// a 32-bit number, is read by its low byte on both channels.
bool FlagsFromRegistryBytes(Channel channel, const unsigned char* data, size_t size, uint32_t& flags);

}  // namespace trace_format

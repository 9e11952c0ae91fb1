// INTERPS: named one-way message channels between processes of one machine.
//
// A channel is a one-message mailbox in a named, pagefile-backed section of
// IPC_MAPPING_SIZE bytes, guarded by two named auto-reset events:
//
//   offset 0    4 bytes   length of the message, unsigned 32-bit, little-endian
//   offset 4  696 bytes   the message (its first 4 bytes are its type code)
//   offset 700  4 bytes   unused
//
//   "<name>_EVT"  mailbox free: signalled at creation; a sender waits for it
//                 (at most 2000 ms), writes, then sets "<name>_MTX";
//   "<name>_MTX"  message present: the server's receive thread waits for it,
//                 hands the message to the callback, then sets "<name>_EVT".
//
// The server creates the section and the events (open to every local
// account); clients open them by name and only send. Replies travel on a
// second channel whose server is the other process.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr DWORD IPC_MAPPING_SIZE = 704;
constexpr DWORD IPC_MAX_MSG_SIZE = 696;
constexpr DWORD IPC_LENGTH_OFFSET = 0;
constexpr DWORD IPC_MESSAGE_OFFSET = 4;
// A name must leave room for "_MTX"/"_EVT" in a 100-character buffer.
constexpr size_t IPC_MAX_NAME_LENGTH = 95;
// How long a sender waits for the mailbox to become free.
constexpr DWORD IPC_SEND_TIMEOUT_MS = 2000;

enum : uint32_t {
    IPC_FLAGS_SERVER = 1,
    IPC_FLAGS_CLIENT = 2,
};

// Called on the channel's receive thread, one message at a time. `message`
// points into the shared section and stays valid and unchanged until the
// callback returns; `length` is at most IPC_MAX_MSG_SIZE. The result is ignored.
typedef BOOL (*IpcRecvCallback)(void* message, DWORD length, void* context);

// Creates (or joins, when it exists) the channel `name` as its server and
// starts its receive thread. Returns the channel handle, or null. Handles are
// never reused: once closed, a handle stays refused for the life of the process.
[[nodiscard]] HANDLE IPCInitServer(const char* name, IpcRecvCallback callback, void* reserved, void* context);

// Opens the existing channel `name` for sending. Returns the handle, or null.
[[nodiscard]] HANDLE IPCInitClient(const char* name);

// Places `size` bytes (at most IPC_MAX_MSG_SIZE) in the mailbox, waiting at
// most IPC_SEND_TIMEOUT_MS for it to be free. True when the message was placed;
// it does not wait for the receiver to handle it.
bool IPCSendMsg(HANDLE channel, const void* data, DWORD size);

// Closes a channel of this process (stopping its receive thread). False when
// the handle is not an open channel of this process. Once it has returned
// true, no callback starts on the channel: the caller may free its context.
bool IPCUnitialize(HANDLE channel);

// The process-wide list of open channel records, and their lifetime.
//
// One lock guards the list and every record's Users/Closing fields: channels
// are registered, found, sent on and closed from any thread, and a short
// exclusive section per operation is far cheaper than the kernel calls of a
// send. A record is freed only by its last user (see Release), never while a
// sender or its receive thread can still touch it.
#pragma once

#include "common/orxinterps/src/IpcChannel.h"

namespace channel_registry {

// Appends a record at the tail ("=> AddItem %s" / "<= AddItem %s") and
// returns the handle that names it from now on.
[[nodiscard]] HANDLE AddItem(IpcChannel* c);

// Unlinks a record ("=> RemoveItem %s" / "<= RemoveItem %s").
void RemoveItem(IpcChannel* c);

// Finds the open record named by `handle` and counts the caller as one of
// its users; null for a stale, foreign or closing handle.
[[nodiscard]] IpcChannel* Acquire(HANDLE handle);

// The same, and marks the record closing so that it can no longer be found:
// one caller wins, a second close of the same handle gets null.
[[nodiscard]] IpcChannel* BeginClose(HANDLE handle);

// True once a close of the record has begun.
bool IsClosing(const IpcChannel* c);

// The caller stops using the record. The last user of a closing record
// releases its kernel objects, unlinks and frees it.
void Release(IpcChannel* c);

}  // namespace channel_registry

// Holds one use of a channel for a scope.
class ChannelUse {
public:
    explicit ChannelUse(HANDLE handle) : channel_(channel_registry::Acquire(handle)) {}
    ~ChannelUse() {
        if (channel_ != nullptr) channel_registry::Release(channel_);
    }
    ChannelUse(const ChannelUse&) = delete;
    ChannelUse& operator=(const ChannelUse&) = delete;

    IpcChannel* get() const { return channel_; }
    explicit operator bool() const { return channel_ != nullptr; }

private:
    IpcChannel* channel_;
};

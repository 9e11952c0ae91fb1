// Latency and throughput of messages between two ends of this process, with
// something in between: the real service, or the bare echo peer.
#pragma once

#include "tools/reliability/Inbox.h"

#include <windows.h>

#include <functional>

namespace service_bench {

// Places one message on the way in; true when it was placed.
using Sender = std::function<bool(const void* message, DWORD length)>;

// One 696-byte message of `type`, timed from its send until `arrival` has
// it: microseconds, or a negative value when it did not arrive.
double TimeOneMessage(const Sender& send, reliability::Inbox& arrival, uint32_t type);

// `count` 696-byte messages of `type` sent back to back: messages per second
// from the first send until the last arrival; 0 when not all arrived.
double MessagesPerSecond(const Sender& send, reliability::Inbox& arrival, uint32_t type, unsigned count);

}  // namespace service_bench

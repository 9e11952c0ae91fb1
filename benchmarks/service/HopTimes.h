// Latency and throughput of messages between two ends of this process, with
// something in between: the real service, or the bare echo peer.
#pragma once

#include "tests/support/Inbox.h"

#include <windows.h>

#include <functional>

namespace service_bench {

// Places one message on the way in; true when it was placed.
using Sender = std::function<bool(const void* message, DWORD length)>;

// What TimeOneMessage gives instead of a time.
constexpr double kSendRefused = -1;  // the send itself failed
constexpr double kNotArrived = -2;   // sent, but not there within 5 s

// One 696-byte message of `type`, timed from its send until `arrival` has
// it: microseconds, or one of the negative values above.
double TimeOneMessage(const Sender& send, testing_support::Inbox& arrival, uint32_t type);

// `count` 696-byte messages of `type` sent back to back: messages per second
// from the first send until the last arrival; 0 when not all arrived.
double MessagesPerSecond(const Sender& send, testing_support::Inbox& arrival, uint32_t type, unsigned count);

}  // namespace service_bench

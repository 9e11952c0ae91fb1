// The type codes of the messages received and not yet matched by an expect
// request. A message that arrived before its expect still counts, so a
// script need not race the service; each expect takes one message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace tunpanel {

class Inbox {
public:
    // Called on the receive thread.
    void Add(uint32_t code);

    // Waits at most `timeout` for a message of type `code`, the oldest one
    // first, and takes it. False when none came in time.
    bool Take(uint32_t code, std::chrono::milliseconds timeout);

private:
    // A watcher left running for days must not grow without bound; expect
    // requests look at recent messages.
    static constexpr size_t kKept = 65536;

    bool TakeLocked(uint32_t code);

    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<uint32_t> codes_;
};

}  // namespace tunpanel

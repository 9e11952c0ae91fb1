// The hostile input's random part: FuzzMessages' messages sent on the four
// server channels at once, a thread each, with length words above 696
// forged straight into a mailbox; what each sent and how it fared.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace reliability {

// What the fuzzers did (one channel's, or all of them summed).
struct ChannelFuzz {
    std::string channel;
    uint32_t seed = 0;
    unsigned count = 0;
    uint64_t placed = 0, busy = 0, forged = 0, forgedFreed = 0, aimedOutside = 0, aimedProtected = 0, texts = 0;
};

// How many messages the fuzz has sent, for the episodes to wait on: each
// waits until its share of the run has been sent, or the fuzz has ended.
class FuzzProgress {
public:
    void Count();
    void End();
    void WaitFor(uint64_t messages);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t sent_ = 0;
    uint64_t due_ = UINT64_MAX;
    bool ended_ = false;
};

// `messages` in all, a quarter on each of "Global\vpnsrvcfg",
// "Global\vpnsrvlogonui", "Global\vpn2vpn" and the service's channel for the
// daemon, channel i seeded with seed + i; returns once each channel's last
// message was handled (or 10 s passed).
ChannelFuzz FuzzAllChannels(unsigned messages, uint32_t seed, FuzzProgress& progress);

}  // namespace reliability

// The service's threads and handles before a loop of rounds and after it,
// and whether they came back to where they started: what each round
// creates (a watchdog, a channel, a process handle) must be gone once the
// round is over. Pure.
#pragma once

#include <cstdint>
#include <string>

namespace reliability {

struct ThreadsAndHandles {
    bool ok = false;  // both read (a live process has some of each)
    uint32_t threads = 0;
    uint32_t handles = 0;
};

// How far from where they started the counts may end: a thread or a
// handle that is still being let go when the loop ends (a watchdog finishing
// its send) is not a leak, one per round is.
constexpr uint32_t kCountSlack = 10;

// Both read, and each within kCountSlack of where it started, either way.
bool BackWhereTheyStarted(const ThreadsAndHandles& before, const ThreadsAndHandles& after);

// "threads 12 -> 12, handles 80 -> 81"; "-" for a count that was not read.
std::string CountsText(const ThreadsAndHandles& before, const ThreadsAndHandles& after);

}  // namespace reliability

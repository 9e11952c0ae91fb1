#include "tools/reliability/ThreadsAndHandles.h"

namespace reliability {

namespace {

bool Near(uint32_t before, uint32_t after) {
    return (after > before ? after - before : before - after) <= kCountSlack;
}

std::string Count(bool read, uint32_t value) { return read ? std::to_string(value) : std::string("-"); }

}  // namespace

bool BackWhereTheyStarted(const ThreadsAndHandles& before, const ThreadsAndHandles& after) {
    return before.ok && after.ok && Near(before.threads, after.threads) && Near(before.handles, after.handles);
}

std::string CountsText(const ThreadsAndHandles& before, const ThreadsAndHandles& after) {
    return "threads " + Count(before.ok, before.threads) + " -> " + Count(after.ok, after.threads) + ", handles " +
           Count(before.ok, before.handles) + " -> " + Count(after.ok, after.handles);
}

}  // namespace reliability

#include "standins/tunpanel/Inbox.h"

#include <algorithm>

namespace tunpanel {

void Inbox::Add(uint32_t code) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (codes_.size() == kKept) codes_.pop_front();
        codes_.push_back(code);
    }
    arrived_.notify_all();
}

bool Inbox::Take(uint32_t code, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(lock_);
    return arrived_.wait_for(hold, timeout, [&] { return TakeLocked(code); });
}

bool Inbox::TakeLocked(uint32_t code) {
    const auto found = std::find(codes_.begin(), codes_.end(), code);
    if (found == codes_.end()) return false;
    codes_.erase(found);
    return true;
}

}  // namespace tunpanel

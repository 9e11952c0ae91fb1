#include "systemlog/FloodControl.h"

#include "systemlog/LogFormat.h"

namespace systemlog {

namespace {
constexpr uint32_t kLimit = 2000;
constexpr uint32_t kDebugLimit = 4000;
constexpr int64_t kWindowSeconds = 1;  // a window ends once more than this has passed
}  // namespace

uint32_t FloodLimit(int32_t threshold) { return threshold >= kLevelDebug ? kDebugLimit : kLimit; }

void FloodControl::StartIfIdle(int64_t nowSeconds) {
    if (windowStart_ == 0) windowStart_ = nowSeconds;
}

// A window that ended exactly at the limit leaves the state as it was.
void FloodControl::CloseWindow(int64_t nowSeconds, uint32_t limit) {
    if (linesInWindow_ > limit) {
        state_ = FloodState::Tripped;
    } else if (linesInWindow_ < limit) {
        state_ = FloodState::Normal;
    }
    windowStart_ = nowSeconds;
    linesInWindow_ = 0;
}

FloodVerdict FloodControl::Admit(int64_t nowSeconds, uint32_t limit) {
    StartIfIdle(nowSeconds);
    if (nowSeconds - windowStart_ > kWindowSeconds) CloseWindow(nowSeconds, limit);

    ++linesInWindow_;
    if (linesInWindow_ > peak_) peak_ = linesInWindow_;

    switch (state_) {
        case FloodState::Reported:
            return {FloodVerdict::Drop, 0};
        case FloodState::Tripped: {
            const uint32_t peak = peak_;
            peak_ = 0;
            state_ = FloodState::Reported;
            return {FloodVerdict::Report, peak};
        }
        case FloodState::Normal:
            break;
    }
    return {FloodVerdict::Write, 0};
}

}  // namespace systemlog

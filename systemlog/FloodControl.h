// Flood control of the system log: at most about `limit` lines per window of
// two seconds on the seconds clock; beyond it one report line replaces the
// surplus. Pure logic: the caller passes the time.
#pragma once

#include <cstdint>

namespace systemlog {

enum class FloodState : uint8_t { Normal = 0, Tripped = 1, Reported = 2 };

// What to do with one admitted line.
struct FloodVerdict {
    enum Kind : uint8_t { Write, Report, Drop } kind;
    uint32_t peak;  // for Report: the largest window count since the previous report
};

// 4000 lines when the threshold lets debug lines through (the syslog output is
// on), else 2000.
uint32_t FloodLimit(int32_t threshold);

class FloodControl {
public:
    // Starts the window now unless it has started already.
    void StartIfIdle(int64_t nowSeconds);
    // Counts one line admitted by the threshold and says what becomes of it;
    // a window that ends above `limit` lines trips the control.
    FloodVerdict Admit(int64_t nowSeconds, uint32_t limit);

    int64_t WindowStart() const { return windowStart_; }
    uint32_t LinesInWindow() const { return linesInWindow_; }
    uint32_t Peak() const { return peak_; }
    FloodState State() const { return state_; }

private:
    void CloseWindow(int64_t nowSeconds, uint32_t limit);

    int64_t windowStart_ = 0;  // 0 = not started
    uint32_t linesInWindow_ = 0;
    uint32_t peak_ = 0;
    FloodState state_ = FloodState::Normal;
};

}  // namespace systemlog

// Counts the receive callbacks running on a part's channels, so that the part
// can close its channels and then wait (bounded) until none is left running
// before the objects they use go away. Once closed, no callback passes.
#pragma once

#include "sysdep/Locks.h"

#include <windows.h>

class CallbackGate {
public:
    // False once closed: the callback must not touch the part.
    bool Enter() {
        orx::ExclusiveGuard guard(lock_);
        if (closed_) return false;
        ++running_;
        return true;
    }
    void Leave() {
        {
            orx::ExclusiveGuard guard(lock_);
            --running_;
        }
        WakeAllConditionVariable(&drained_);
    }
    // Closes the gate and waits for the callbacks under way; true when none
    // is left. A callback that closes the gate of its own part does not wait
    // for itself: `selfCount` is 1 then.
    bool CloseAndDrain(DWORD timeoutMs, int selfCount = 0) {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        orx::ExclusiveGuard guard(lock_);
        closed_ = true;
        while (running_ > selfCount) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) return false;
            SleepConditionVariableSRW(&drained_, &lock_, static_cast<DWORD>(deadline - now), 0);
        }
        return true;
    }
    void Reopen() {
        orx::ExclusiveGuard guard(lock_);
        closed_ = false;
    }

    // Holds the gate for one callback.
    class Pass {
    public:
        explicit Pass(CallbackGate& gate) : gate_(gate), entered_(gate.Enter()) {}
        ~Pass() {
            if (entered_) gate_.Leave();
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        explicit operator bool() const { return entered_; }

    private:
        CallbackGate& gate_;
        bool entered_;
    };

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE drained_ = CONDITION_VARIABLE_INIT;
    int running_ = 0;
    bool closed_ = false;
};

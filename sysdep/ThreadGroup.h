// The threads a part starts for itself (watchdogs): kept by handle, reaped
// once ended, and joined (bounded) before the part goes away.
#pragma once

#include "sysdep/Locks.h"
#include "sysdep/WinHandles.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace orx {

class ThreadGroup {
public:
    ThreadGroup() = default;
    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;
    ~ThreadGroup() { JoinAll(INFINITE); }

    // Starts `procedure(argument)`; false (nothing started) when the thread
    // cannot be created, and the caller keeps `argument`.
    bool Start(LPTHREAD_START_ROUTINE procedure, void* argument) {
        HANDLE thread = CreateThread(nullptr, 0, procedure, argument, 0, nullptr);
        if (thread == nullptr) return false;
        ExclusiveGuard guard(lock_);
        ReapEndedLocked();
        threads_.emplace_back(thread);
        return true;
    }

    size_t Running() {
        ExclusiveGuard guard(lock_);
        ReapEndedLocked();
        return threads_.size();
    }

    // Waits for every thread, at most `timeoutMs` in all; true when all ended.
    // A thread of the group never joins its own group.
    bool JoinAll(DWORD timeoutMs) {
        // Waited on through duplicates: a concurrent Start may reap (close)
        // the group's own handles meanwhile.
        std::vector<UniqueHandle> owned;
        std::vector<HANDLE> waits;
        {
            ExclusiveGuard guard(lock_);
            ReapEndedLocked();
            for (const auto& thread : threads_) {
                if (GetThreadId(thread.get()) == GetCurrentThreadId()) continue;
                HANDLE copy = nullptr;
                if (DuplicateHandle(GetCurrentProcess(), thread.get(), GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE,
                                    0)) {
                    owned.emplace_back(copy);
                    waits.push_back(copy);
                }
            }
        }
        bool ended = true;
        for (size_t first = 0; first < waits.size(); first += MAXIMUM_WAIT_OBJECTS) {
            const DWORD count = static_cast<DWORD>(std::min<size_t>(waits.size() - first, MAXIMUM_WAIT_OBJECTS));
            ended = WaitForMultipleObjects(count, waits.data() + first, TRUE, timeoutMs) != WAIT_TIMEOUT && ended;
        }
        ExclusiveGuard guard(lock_);
        ReapEndedLocked();
        return ended;
    }

private:
    void ReapEndedLocked() {
        std::vector<UniqueHandle> live;
        for (auto& thread : threads_) {
            if (WaitForSingleObject(thread.get(), 0) == WAIT_TIMEOUT) live.push_back(std::move(thread));
        }
        threads_ = std::move(live);
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<UniqueHandle> threads_;
};

}  // namespace orx

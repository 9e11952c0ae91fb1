// Scoped holds of a slim reader/writer lock. SRW locks need no teardown, so
// the process-wide system log stays usable by late threads at process end.
#pragma once

#include <windows.h>

namespace systemlog {

class ExclusiveGuard {
public:
    explicit ExclusiveGuard(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveGuard() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveGuard(const ExclusiveGuard&) = delete;
    ExclusiveGuard& operator=(const ExclusiveGuard&) = delete;

private:
    SRWLOCK& lock_;
};

class SharedGuard {
public:
    explicit SharedGuard(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~SharedGuard() { ReleaseSRWLockShared(&lock_); }
    SharedGuard(const SharedGuard&) = delete;
    SharedGuard& operator=(const SharedGuard&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace systemlog

// The project's one lock idiom: a slim reader/writer lock (SRWLOCK, set up
// with SRWLOCK_INIT where it is declared) held through these scoped guards.
// SRW locks need no teardown, so process-wide objects stay usable by late
// threads at process end.
#pragma once

#include <windows.h>

namespace orx {

// Holds `lock` for the life of the object, exclusively or shared.
template <bool Exclusive>
class SrwGuard {
public:
    explicit SrwGuard(SRWLOCK& lock) : lock_(lock) {
        Exclusive ? AcquireSRWLockExclusive(&lock_) : AcquireSRWLockShared(&lock_);
    }
    ~SrwGuard() { Exclusive ? ReleaseSRWLockExclusive(&lock_) : ReleaseSRWLockShared(&lock_); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

private:
    SRWLOCK& lock_;
};

using ExclusiveGuard = SrwGuard<true>;
using SharedGuard = SrwGuard<false>;

}  // namespace orx

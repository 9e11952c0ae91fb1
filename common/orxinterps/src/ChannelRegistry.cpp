#include "common/orxinterps/src/ChannelRegistry.h"

#include "orxstarter/trace/DebugTrace.h"

namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
IpcChannel* g_head = nullptr;
IpcChannel* g_tail = nullptr;

class ExclusiveLock {
public:
    ExclusiveLock() { AcquireSRWLockExclusive(&g_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&g_lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

// Walks from the head comparing addresses only: the handle is never
// dereferenced before it is known to be one of ours. Caller holds the lock.
IpcChannel* RetrieveItem(HANDLE handle) {
    for (IpcChannel* c = g_head; c != nullptr; c = c->Next) {
        if (c == handle) return c;
    }
    return nullptr;
}

IpcChannel* AcquireOpen(HANDLE handle, bool close) {
    if (handle == nullptr) return nullptr;
    ExclusiveLock lock;
    IpcChannel* c = RetrieveItem(handle);
    if (c == nullptr || c->Closing) return nullptr;
    ++c->Users;
    if (close) c->Closing = true;
    return c;
}

}  // namespace

namespace channel_registry {

void AddItem(IpcChannel* c) {
    IPCTRACE("=> AddItem %s", c->Name);
    {
        ExclusiveLock lock;
        c->Next = nullptr;
        c->Prev = g_tail;
        if (g_tail != nullptr) {
            g_tail->Next = c;
        } else {
            g_head = c;
        }
        g_tail = c;
    }
    IPCTRACE("<= AddItem %s", c->Name);
}

void RemoveItem(IpcChannel* c) {
    IPCTRACE("=> RemoveItem %s", c->Name);
    {
        ExclusiveLock lock;
        if (c->Prev != nullptr) {
            c->Prev->Next = c->Next;
        } else if (g_head == c) {
            g_head = c->Next;
        }
        if (c->Next != nullptr) {
            c->Next->Prev = c->Prev;
        } else if (g_tail == c) {
            g_tail = c->Prev;
        }
        c->Next = c->Prev = nullptr;
    }
    IPCTRACE("<= RemoveItem %s", c->Name);
}

IpcChannel* Acquire(HANDLE handle) { return AcquireOpen(handle, false); }

IpcChannel* BeginClose(HANDLE handle) { return AcquireOpen(handle, true); }

void Release(IpcChannel* c) {
    bool last = false;
    {
        ExclusiveLock lock;
        --c->Users;
        last = c->Closing && c->Users == 0;
    }
    // Nobody else can reach a closing record with no users left.
    if (last) ReleaseChannelObjects(c);
}

}  // namespace channel_registry

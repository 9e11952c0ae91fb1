#include "common/orxinterps/src/ChannelRegistry.h"

#include "sysdep/Locks.h"

namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
IpcChannel* g_head = nullptr;
IpcChannel* g_tail = nullptr;

// Handles are serial numbers, not record addresses. A freed record's address
// comes back with a later allocation, and a stale handle would then reach
// another channel; a serial is never given out twice (2^63 of them), so a
// closed handle stays refused for the life of the process. They are odd, so
// never taken for a kernel handle (those are multiples of four).
uint64_t g_lastSerial = 0;

HANDLE NextHandle() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(++g_lastSerial << 1 | 1)); }

// Walks from the head comparing handles only. Caller holds the lock.
IpcChannel* RetrieveItem(HANDLE handle) {
    for (IpcChannel* c = g_head; c != nullptr; c = c->Next) {
        if (c->Handle == handle) return c;
    }
    return nullptr;
}

IpcChannel* AcquireOpen(HANDLE handle, bool close) {
    if (handle == nullptr) return nullptr;
    orx::ExclusiveGuard guard(g_lock);
    IpcChannel* c = RetrieveItem(handle);
    if (c == nullptr || c->Closing) return nullptr;
    ++c->Users;
    if (close) c->Closing = true;
    return c;
}

}  // namespace

namespace channel_registry {

HANDLE AddItem(IpcChannel* c) {
    IPCTRACE("=> AddItem %s", c->Name);
    HANDLE handle;
    {
        orx::ExclusiveGuard guard(g_lock);
        handle = c->Handle = NextHandle();
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
    return handle;
}

void RemoveItem(IpcChannel* c) {
    IPCTRACE("=> RemoveItem %s", c->Name);
    {
        orx::ExclusiveGuard guard(g_lock);
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

bool IsClosing(const IpcChannel* c) {
    orx::SharedGuard guard(g_lock);
    return c->Closing;
}

void Release(IpcChannel* c) {
    bool last = false;
    {
        orx::ExclusiveGuard guard(g_lock);
        --c->Users;
        last = c->Closing && c->Users == 0;
    }
    // Nobody else can reach a closing record with no users left.
    if (last) ReleaseChannelObjects(c);
}

}  // namespace channel_registry

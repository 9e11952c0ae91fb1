// The channel record behind an INTERPS handle (inside the library only).
#pragma once

#include "common/orxinterps/src/interps.h"

#include <cstdint>

struct IpcChannel {
    IpcChannel* Next;
    IpcChannel* Prev;
    char Name[MAX_PATH];
    HANDLE hFM;
    void* pVF;
    uint32_t Flags;
    HANDLE hEvent;   // "_EVT": mailbox free
    HANDLE hMutex;   // "_MTX": message present (an event despite its name)
    DWORD RecvThreadId;
    HANDLE hRecvThread;
    HANDLE hStop;
    IpcRecvCallback RecvCallback;
    void* pContext;

    // Lifetime, guarded by the registry's lock. `Users` counts who may still
    // touch the record: a running receive thread and every operation in
    // progress on the handle. Once `Closing` is set the record can no longer
    // be found, and whoever brings `Users` to 0 releases its kernel objects
    // and frees it (see channel_registry::Release).
    unsigned Users;
    bool Closing;
};

// A handle or pointer as the 32-bit word the trace formats show ("%08lX",
// "%08X"): its low half, as the format has always printed it.
inline unsigned long TraceLong(const void* p) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)); }
inline unsigned TraceUint(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// The mailbox's fields as seen through the view.
inline volatile uint32_t* MailboxLength(const IpcChannel* c) {
    return reinterpret_cast<volatile uint32_t*>(static_cast<char*>(c->pVF) + IPC_LENGTH_OFFSET);
}
inline unsigned char* MailboxMessage(const IpcChannel* c) {
    return static_cast<unsigned char*>(c->pVF) + IPC_MESSAGE_OFFSET;
}

// Closes every kernel object of the record with the close lines of
// IPCUnitialize, unlinks it from the registry and frees it. Only for the
// last user of a closing record.
void ReleaseChannelObjects(IpcChannel* c);

// Frees a record that owns no kernel objects and was never registered.
void FreeChannelRecord(IpcChannel* c);

// Allocates a zero-filled record; null when memory is short.
IpcChannel* AllocateChannelRecord();

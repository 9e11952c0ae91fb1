// The channel record behind an INTERPS handle (inside the library only).
#pragma once

#include "common/orxinterps/src/interps.h"
#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "sysdep/WinHandles.h"

#include <cstdint>

// Room for a channel name shown escaped in a trace line before it has been
// checked; a longer name, refused anyway, is shown cut.
constexpr size_t kShownNameSize = log_text::kMaxEscapeLength * IPC_MAX_NAME_LENGTH + 1;

struct IpcChannel {
    IpcChannel* Next = nullptr;
    IpcChannel* Prev = nullptr;
    // What callers hold for this record (see channel_registry::AddItem).
    HANDLE Handle = nullptr;
    char Name[MAX_PATH] = {};
    orx::UniqueHandle hFM;
    orx::UniqueView pVF;
    uint32_t Flags = 0;
    orx::UniqueHandle hEvent;   // "_EVT": mailbox free
    orx::UniqueHandle hMutex;   // "_MTX": message present (an event despite its name)
    DWORD RecvThreadId = 0;
    orx::UniqueHandle hRecvThread;
    orx::UniqueHandle hStop;
    IpcRecvCallback RecvCallback = nullptr;
    void* pContext = nullptr;

    // Lifetime, guarded by the registry's lock. `Users` counts who may still
    // touch the record: a running receive thread and every operation in
    // progress on the handle. Once `Closing` is set the record can no longer
    // be found, and whoever brings `Users` to 0 releases its kernel objects
    // and frees it (see channel_registry::Release).
    unsigned Users = 0;
    bool Closing = false;
};

// A handle or pointer for the "%08lX" trace formats: its low half, as
// TraceBits gives it for "%08X".
inline unsigned long TraceLong(const void* p) { return TraceBits(p); }

// The mailbox's fields as seen through the view.
inline volatile uint32_t* MailboxLength(const IpcChannel* c) {
    return reinterpret_cast<volatile uint32_t*>(static_cast<char*>(c->pVF.get()) + IPC_LENGTH_OFFSET);
}
inline unsigned char* MailboxMessage(const IpcChannel* c) {
    return static_cast<unsigned char*>(c->pVF.get()) + IPC_MESSAGE_OFFSET;
}

// True when the mapped view really holds a whole, committed mailbox. The
// section may have been made by any local process, so a view that would
// fault when touched is refused here rather than on the first message.
bool ViewHoldsMailbox(const void* view);

// Closes every kernel object of the record with the close lines of
// IPCUnitialize, unlinks it from the registry and frees it. Only for the
// last user of a closing record.
void ReleaseChannelObjects(IpcChannel* c);

// The "   <function>(<channel>) pIpc-><field>=%08lX" lines of the record's
// fields, in the order of the record for a server, with the stop event
// after the view for a client.
void TraceRecordFields(const char* function, const IpcChannel& c);

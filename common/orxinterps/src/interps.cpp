// Sending on a channel and closing it. Opening: ServerChannel.cpp and
// ClientChannel.cpp; the receive side: ReceiveThread.cpp.
#include "common/orxinterps/src/interps.h"

#include "common/orxinterps/src/ChannelFormat.h"
#include "common/orxinterps/src/ChannelRegistry.h"
#include "common/orxinterps/src/ReceiveThread.h"
#include "common/orxinterps/src/ipcmsg.h"

#include <cstring>

namespace {

// False when the view is not a usable memory region (traced).
bool ViewStillMapped(const IpcChannel& c) {
    IPCTRACE("   p->pVF=0x%08X", TraceBits(c.pVF.get()));
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(c.pVF.get(), &info, sizeof info) == 0) {
        IPCTRACE("   VirtualQuery returned NULL!");
        return true;
    }
    IPCTRACE("   MEMORY_BASIC_INFORMATION  Type=0x%08X", static_cast<unsigned>(info.Type));
    if (info.Type != 0) return true;
    IPCTRACE("<= IPCSendMsg MEMORY_BASIC_INFORMATION type is null");
    return false;
}

// Waits at most IPC_SEND_TIMEOUT_MS for the mailbox to be free; traces the
// outcome unless the message is a silent one.
bool TakeMailbox(const IpcChannel& c, uint32_t type, bool silent) {
    const DWORD rc = WaitForSingleObject(c.hEvent.get(), IPC_SEND_TIMEOUT_MS);
    if (silent) return rc == WAIT_OBJECT_0;
    switch (rc) {
    case WAIT_OBJECT_0:
        IPCTRACE("   IPCSendMsg: WaitForSingleObject successfull MSG ID 0x%02X%02X%02X%02X", IPC_WORD_BYTES(type));
        return true;
    case WAIT_ABANDONED:
        IPCTRACE("<= IPCSendMsg MSG ID 0x%02X%02X%02X%02X WaitForSingleObject failed with WAIT_ABANDONED",
                 IPC_WORD_BYTES(type));
        return false;
    case WAIT_TIMEOUT:
        IPCTRACE("<= IPCSendMsg MSG ID 0x%02X%02X%02X%02X WaitForSingleObject failed with WAIT_TIMEOUT",
                 IPC_WORD_BYTES(type));
        return false;
    case WAIT_FAILED:
        IPCTRACE("<= IPCSendMsg MSG ID 0x%02X%02X%02X%02X : WaitForSingleObject failed with error 0x%08X",
                 IPC_WORD_BYTES(type), static_cast<unsigned>(GetLastError()));
        return false;
    default:
        IPCTRACE("<= IPCSendMsg MSG ID 0x%02X%02X%02X%02X WaitForSingleObject failed with unknown error 0x%08X",
                 IPC_WORD_BYTES(type), static_cast<unsigned>(GetLastError()));
        return false;
    }
}

bool PostToMailbox(const IpcChannel& c, const void* data, DWORD size, uint32_t type) {
    const bool silent = type == ORXIKE_SILENT_NOTIFY;
    if (!ViewStillMapped(c)) return false;
    if (!TakeMailbox(c, type, silent)) return false;

    *MailboxLength(&c) = size;
    if (size > 0) std::memcpy(MailboxMessage(&c), data, size);
    if (!SetEvent(c.hMutex.get())) {
        IPCTRACE("<= IPCSendMsg MSG ID 0x%02X%02X%02X%02X failed with error 0x%08X", IPC_WORD_BYTES(type),
                 static_cast<unsigned>(GetLastError()));
        // Nobody will be woken for this message: give the mailbox back
        // rather than leave the channel blocked for every later sender.
        SetEvent(c.hEvent.get());
        return false;
    }
    if (!silent) IPCTRACE("<= IPCSendMsg TRUE");
    return true;
}

}  // namespace

bool IPCSendMsg(HANDLE channel, const void* data, DWORD size) {
    IPCDebugTraceInit();
    IPCTRACE("=> IPCSendMsg data size %d, svc msg size %d", static_cast<int>(size),
             static_cast<int>(IPC_MAX_MSG_SIZE));
    if (data == nullptr && size > 0) {
        IPCTRACE("<= IPCSendMsg no data for %d bytes!", static_cast<int>(size));
        return false;
    }
    // Messages shorter than their two leading words are legal; the missing
    // bytes show as zero.
    const uint32_t type = channel_format::MessageWord(data, size, 0);
    if (size > IPC_MAX_MSG_SIZE) {
        IPCTRACE("<= IPCSendMsg data size exceeded msg structure size ! MSG ID : 0x%02X%02X%02X%02X",
                 IPC_WORD_BYTES(type));
        return false;
    }
    if (type != ORXIKE_SILENT_NOTIFY) {
        const uint32_t second = channel_format::MessageWord(data, size, 1);
        IPCTRACE("=> IPCSendMsg Data: 0x%02X%02X%02X%02X, 0x%02X%02X%02X%02X.", IPC_WORD_BYTES(type),
                 IPC_WORD_BYTES(second));
    }
    if (channel == nullptr) {
        IPCTRACE("<= IPCSendMsg HANDLE NULL! MSG ID : 0x%02X%02X%02X%02X", IPC_WORD_BYTES(type));
        return false;
    }
    ChannelUse use(channel);
    if (!use) {
        IPCTRACE("<= IPCSendMsg INVALID HANDLE! MSG ID : 0x%02X%02X%02X%02X", IPC_WORD_BYTES(type));
        return false;
    }
    return PostToMailbox(*use.get(), data, size, type);
}

bool IPCUnitialize(HANDLE channel) {
    IPCDebugTraceInit();
    IPCTRACE("=> IPCUnitialize(0x%08X)", TraceBits(channel));
    IpcChannel* c = channel_registry::BeginClose(channel);
    if (c == nullptr) {
        IPCTRACE("<= IPCUnitialize RetrieveItem failed");
        return false;
    }
    if (c->Flags & IPC_FLAGS_SERVER) StopReceiveThread(c);
    // Usually the last user: the objects are closed and the record freed
    // now. A sender still in its wait, or a receive thread still in its
    // callback, does it instead when it lets go.
    channel_registry::Release(c);
    IPCTRACE("<= IPCUnitialize TRUE");
    return true;
}

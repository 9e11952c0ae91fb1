// IPCInitClient: opens an existing channel for sending.
#include "common/orxinterps/src/ChannelFormat.h"
#include "common/orxinterps/src/ChannelRegistry.h"
#include "orxstarter/trace/DebugTrace.h"
#include "common/orxinterps/src/MailboxObjects.h"

#include <cstring>
#include <memory>

namespace {

using RecordPtr = std::unique_ptr<IpcChannel, decltype(&FreeChannelRecord)>;

bool OpenNamedEvent(const char* name, const char* suffix, orx::UniqueHandle& event) {
    char eventName[IPC_MAX_NAME_LENGTH + 5];
    channel_format::MakeEventName(name, suffix, eventName, sizeof eventName);
    event.reset(OpenEventA(EVENT_ALL_ACCESS, FALSE, eventName));
    if (event) return true;
    IPCTRACE("<= IPCInitClient(%s) OpenEvent on %s failed with error 0x%08x.", name, eventName,
             static_cast<unsigned>(GetLastError()));
    return false;
}

// Opens the section, its view and both events; traces the first failure.
bool OpenMailbox(const char* name, MailboxObjects& objects) {
    objects.mapping.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    if (!objects.mapping) {
        IPCTRACE("<= IPCInitClient(%s) OpenFileMapping failed, err=%08lX.", name, GetLastError());
        return false;
    }
    objects.view.reset(MapViewOfFile(objects.mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!objects.view) {
        IPCTRACE("<= IPCInitClient(%s) MapViewOfFile failed, err=%08lX.", name, GetLastError());
        return false;
    }
    if (!ViewHoldsMailbox(objects.view.get())) {
        IPCTRACE("<= IPCInitClient(%s) MapViewOfFile: the section holds no %lu-byte mailbox.", name,
                 IPC_MAPPING_SIZE);
        return false;
    }
    return OpenNamedEvent(name, "_MTX", objects.messagePresent) && OpenNamedEvent(name, "_EVT", objects.mailboxFree);
}

void TraceClientRecord(const IpcChannel& c) {
    const RecordField fields[] = {
        {"Flags", c.Flags},
        {"hMutex", TraceLong(c.hMutex)},
        {"hEvent", TraceLong(c.hEvent)},
        {"hFM", TraceLong(c.hFM)},
        {"pVF", TraceLong(c.pVF)},
        {"hStop", TraceLong(c.hStop)},
        {"hRecvThread", TraceLong(c.hRecvThread)},
        {"pContext", TraceLong(c.pContext)},
    };
    TraceRecordFields("IPCInitClient", c.Name, fields);
}

}  // namespace

HANDLE IPCInitClient(const char* name) {
    IPCDebugTraceInit();
    IPCTRACE("=> IPCInitClient(%s)", name != nullptr ? name : "(null)");
    if (!channel_format::IsValidChannelName(name)) {
        IPCTRACE("<= IPCInitClient(%s) invalid channel name (empty or longer than %d characters).",
                 name != nullptr ? name : "(null)", static_cast<int>(IPC_MAX_NAME_LENGTH));
        return nullptr;
    }
    RecordPtr record(AllocateChannelRecord(), &FreeChannelRecord);
    if (!record) {
        IPCTRACE("<= IPCInitClient(%s) malloc() failed.", name);
        return nullptr;
    }
    MailboxObjects objects;
    if (!OpenMailbox(name, objects)) return nullptr;

    std::strcpy(record->Name, name);
    record->Flags = IPC_FLAGS_CLIENT;
    objects.ShowTo(*record);
    objects.Detach();
    TraceClientRecord(*record);

    IpcChannel* channel = record.release();
    channel_registry::AddItem(channel);
    IPCTRACE("<= IPCInitClient(%s) with handle 0x%08X", name, TraceUint(channel));
    return channel;
}

// IPCInitClient: opens an existing channel for sending.
#include "common/orxinterps/src/ChannelFormat.h"
#include "common/orxinterps/src/ChannelRegistry.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

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
bool OpenMailbox(const char* name, IpcChannel& c) {
    c.hFM.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    if (!c.hFM) {
        IPCTRACE("<= IPCInitClient(%s) OpenFileMapping failed, err=%08lX.", name, GetLastError());
        return false;
    }
    c.pVF.reset(MapViewOfFile(c.hFM.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!c.pVF) {
        IPCTRACE("<= IPCInitClient(%s) MapViewOfFile failed, err=%08lX.", name, GetLastError());
        return false;
    }
    if (!ViewHoldsMailbox(c.pVF.get())) {
        IPCTRACE("<= IPCInitClient(%s) MapViewOfFile: the section holds no %lu-byte mailbox.", name,
                 IPC_MAPPING_SIZE);
        return false;
    }
    return OpenNamedEvent(name, "_MTX", c.hMutex) && OpenNamedEvent(name, "_EVT", c.hEvent);
}

}  // namespace

HANDLE IPCInitClient(const char* name) {
    IPCDebugTraceInit();
    // Checked below: until then the name is shown escaped.
    const log_text::Escaped<kShownNameSize> shown(name != nullptr ? name : "(null)");
    IPCTRACE("=> IPCInitClient(%s)", shown.c_str());
    if (!channel_format::IsValidChannelName(name)) {
        IPCTRACE("<= IPCInitClient(%s) invalid channel name (empty, longer than %d characters or with a control character).",
                 shown.c_str(), static_cast<int>(IPC_MAX_NAME_LENGTH));
        return nullptr;
    }
    std::unique_ptr<IpcChannel> record(new (std::nothrow) IpcChannel);
    if (!record) {
        IPCTRACE("<= IPCInitClient(%s) malloc() failed.", name);
        return nullptr;
    }
    if (!OpenMailbox(name, *record)) return nullptr;  // what was opened closes with the record

    std::strcpy(record->Name, name);
    record->Flags = IPC_FLAGS_CLIENT;
    TraceRecordFields("IPCInitClient", *record);
    const HANDLE channel = channel_registry::AddItem(record.release());
    IPCTRACE("<= IPCInitClient(%s) with handle 0x%08X", name, TraceBits(channel));
    return channel;
}

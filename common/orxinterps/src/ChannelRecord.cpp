// The view check and the final release of channel records.
#include "common/orxinterps/src/ChannelRegistry.h"
#include "common/orxinterps/src/IpcChannel.h"

#include <algorithm>

bool ViewHoldsMailbox(const void* view) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(view, &info, sizeof info) == 0) return false;
    return info.State == MEM_COMMIT && info.RegionSize >= IPC_MAPPING_SIZE;
}

void TraceRecordFields(const char* function, const IpcChannel& c) {
    struct Field {
        const char* name;
        unsigned long value;
    } fields[] = {
        {"Flags", c.Flags},
        {"hMutex", TraceLong(c.hMutex.get())},
        {"hEvent", TraceLong(c.hEvent.get())},
        {"hStop", TraceLong(c.hStop.get())},
        {"hFM", TraceLong(c.hFM.get())},
        {"pVF", TraceLong(c.pVF.get())},
        {"hRecvThread", TraceLong(c.hRecvThread.get())},
        {"pContext", TraceLong(c.pContext)},
    };
    if (!(c.Flags & IPC_FLAGS_SERVER)) std::rotate(fields + 3, fields + 4, fields + 6);
    for (const Field& field : fields) IPCTRACE("   %s(%s) pIpc->%s=%08lX", function, c.Name, field.name, field.value);
}

// The stop event closes with the record: a receive thread that outlived
// IPCUnitialize may still be waiting on it until the last release.
void ReleaseChannelObjects(IpcChannel* c) {
    if (!c->hEvent.close()) {
        IPCTRACE("   failed to close event handle with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    if (!c->hMutex.close()) {
        IPCTRACE("   failed to close mutex handle with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    if (!c->pVF.close()) {
        IPCTRACE("   failed to unmap view of file with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    const HANDLE mapping = c->hFM.get();
    IPCTRACE("\t CloseHandle pIpc->hFM=%08lX", TraceLong(mapping));
    if (!c->hFM.close()) {
        IPCTRACE("   failed to close FM handle 0x%08X with error 0x%08X", TraceBits(mapping),
                 static_cast<unsigned>(GetLastError()));
    }
    channel_registry::RemoveItem(c);
    delete c;
}

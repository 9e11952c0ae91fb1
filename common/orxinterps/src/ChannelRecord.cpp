// Allocation and final release of channel records.
#include "common/orxinterps/src/ChannelRegistry.h"
#include "common/orxinterps/src/IpcChannel.h"

#include "orxstarter/trace/DebugTrace.h"

#include <cstdlib>

IpcChannel* AllocateChannelRecord() { return static_cast<IpcChannel*>(std::calloc(1, sizeof(IpcChannel))); }

void FreeChannelRecord(IpcChannel* c) { std::free(c); }

void ReleaseChannelObjects(IpcChannel* c) {
    // The stop event and the thread handle of a server are closed only now:
    // a receive thread that outlived IPCUnitialize was still waiting on them.
    if (c->hStop != nullptr) CloseHandle(c->hStop);
    if (c->hRecvThread != nullptr) CloseHandle(c->hRecvThread);
    if (!CloseHandle(c->hEvent)) {
        IPCTRACE("   failed to close event handle with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    if (!CloseHandle(c->hMutex)) {
        IPCTRACE("   failed to close mutex handle with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    if (!UnmapViewOfFile(c->pVF)) {
        IPCTRACE("   failed to unmap view of file with error 0x%08X", static_cast<unsigned>(GetLastError()));
    }
    IPCTRACE("\t CloseHandle pIpc->hFM=%08lX", TraceLong(c->hFM));
    if (!CloseHandle(c->hFM)) {
        IPCTRACE("   failed to close FM handle 0x%08X with error 0x%08X",
                 TraceUint(c->hFM), static_cast<unsigned>(GetLastError()));
    }
    channel_registry::RemoveItem(c);
    FreeChannelRecord(c);
}

#include "common/orxinterps/src/MailboxObjects.h"

void MailboxObjects::ShowTo(IpcChannel& c) const {
    c.hFM = mapping.get();
    c.pVF = view.get();
    c.hMutex = messagePresent.get();
    c.hEvent = mailboxFree.get();
    c.hStop = stop.get();
}

void MailboxObjects::Detach() {
    mapping.release();
    view.release();
    messagePresent.release();
    mailboxFree.release();
    stop.release();
}

bool ViewHoldsMailbox(const void* view) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(view, &info, sizeof info) == 0) return false;
    return info.State == MEM_COMMIT && info.RegionSize >= IPC_MAPPING_SIZE;
}

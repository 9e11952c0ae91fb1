#include "common/orxinterps/src/ReceiveThread.h"

#include "common/orxinterps/src/ChannelFormat.h"
#include "common/orxinterps/src/ChannelRegistry.h"
#include "common/orxinterps/src/ipcmsg.h"

#include <cstring>

namespace {

constexpr DWORD kStopWaitMs = 1000;
// Consecutive failed waits after which the wait is taken as failing for good
// (its handles are gone): the loop ends instead of spinning.
constexpr unsigned kMaxWaitFailures = 3;

// Hands the message in the mailbox to the callback. The section is writable
// by every local process, so its length field is read once and checked
// before anything relies on it. A message dropped for its length is wiped:
// it may hold a secret that no handler will ever wipe.
void DeliverMessage(IpcChannel* c) {
    const uint32_t length = *MailboxLength(c);
    if (!channel_format::IsDeliverableLength(length)) {
        IPCTRACE("   ServerRecvProc: malformed message with length %u (above %u), dropped", length,
                 static_cast<unsigned>(IPC_MAX_MSG_SIZE));
        SecureZeroMemory(MailboxMessage(c), IPC_MAX_MSG_SIZE);
        return;
    }
    uint32_t type = 0;
    std::memcpy(&type, MailboxMessage(c), sizeof type);
    if (type != ORXIKE_SILENT_NOTIFY) IPCTRACE("   ServerRecvProc: processing message with type 0x%08X", type);
    c->RecvCallback(MailboxMessage(c), length, c->pContext);
}

}  // namespace

DWORD WINAPI ServerRecvProc(void* param) {
    auto* c = static_cast<IpcChannel*>(param);
    IPCDebugTraceInit();
    const HANDLE waits[2] = {c->hMutex.get(), c->hStop.get()};
    unsigned failures = 0;
    for (;;) {
        const DWORD rc = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (rc == WAIT_OBJECT_0 && channel_registry::IsClosing(c)) {
            // The wait prefers a message to the stop request. Once the close
            // has begun its caller may free the callback's context, so the
            // message is left in the mailbox, for a server that joins the
            // name later, and no callback starts.
            SetEvent(c->hMutex.get());
            IPCTRACE("   ServerRecvProc: channel closing, message left in the mailbox");
            break;
        }
        if (rc == WAIT_OBJECT_0) {
            failures = 0;
            DeliverMessage(c);
            SetEvent(c->hEvent.get());
            continue;
        }
        if (rc == WAIT_OBJECT_0 + 1) {
            IPCTRACE("   ServerRecvProc received WAIT_OBJECT_0 + 1 ExitThread()");
            break;
        }
        IPCTRACE("   unknown return value 0x%08X", static_cast<unsigned>(rc));
        SetEvent(c->hEvent.get());
        if (rc == WAIT_FAILED && ++failures >= kMaxWaitFailures) {
            IPCTRACE("   ServerRecvProc: wait failed %u times (error %d), thread ends", failures,
                     static_cast<int>(GetLastError()));
            break;
        }
    }
    channel_registry::Release(c);
    return 0;
}

void StopReceiveThread(IpcChannel* c) {
    IPCTRACE("   Handle 0x%08X have IPC_FLAGS_SERVER", TraceBits(c->Handle));
    if (!SetEvent(c->hStop.get())) IPCTRACE("\tUnable to Set Event STOP with error %d", static_cast<int>(GetLastError()));
    // Closing from inside the channel's own callback: the thread ends as soon
    // as the callback returns, so waiting for it here could only time out.
    const bool onReceiveThread = GetCurrentThreadId() == c->RecvThreadId;
    if (!onReceiveThread && WaitForSingleObject(c->hRecvThread.get(), kStopWaitMs) != WAIT_OBJECT_0) {
        IPCTRACE("   Thread has never finished!!!");
    }
    c->hRecvThread.reset();
}

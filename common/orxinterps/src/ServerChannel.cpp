// IPCInitServer: creates (or joins) a channel's section and events and
// starts its receive thread.
#include "common/orxinterps/src/ChannelFormat.h"
#include "common/orxinterps/src/ChannelRegistry.h"
#include "orxstarter/trace/DebugTrace.h"
#include "common/orxinterps/src/MailboxObjects.h"
#include "common/orxinterps/src/ReceiveThread.h"
#include "common/orxinterps/src/SecurityAttributes.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

using RecordPtr = std::unique_ptr<IpcChannel, decltype(&FreeChannelRecord)>;

// What could not be made, for the "<=" line once the attributes are released.
struct CreationFailure {
    char what[128] = "";
    DWORD error = 0;

    bool failed() const { return what[0] != '\0'; }
    void Set(const char* object, DWORD code) {
        std::snprintf(what, sizeof what, "%s", object);
        error = code;
    }
};

// A name already in use is joined, not refused: a restarted server finds the
// section its clients still hold.
void ReportExistingChannel(const char* name) {
    HANDLE existing = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (existing == nullptr) return;
    IPCTRACE("   IPCInitServer(%s): Server or client with the same name already exists!", name);
    if (CloseHandle(existing)) {
        IPCTRACE("   IPCInitServer(%s): CloseHandle success : %d", name, static_cast<int>(GetLastError()));
    } else {
        IPCTRACE("   IPCInitServer(%s): CloseHandle failed with error : %d", name, static_cast<int>(GetLastError()));
    }
}

bool CreateNamedEvent(const char* name, const char* suffix, BOOL initiallySet, SECURITY_ATTRIBUTES* security,
                      orx::UniqueHandle& event, CreationFailure& failure) {
    char eventName[IPC_MAX_NAME_LENGTH + 5];
    channel_format::MakeEventName(name, suffix, eventName, sizeof eventName);
    // An existing event of that name is opened unchanged.
    event.reset(CreateEventA(security, FALSE, initiallySet, eventName));
    if (event) return true;
    char what[sizeof eventName + 16];
    std::snprintf(what, sizeof what, "CreateEvent %s", eventName);
    failure.Set(what, GetLastError());
    return false;
}

void CreateMailbox(const char* name, SECURITY_ATTRIBUTES* security, MailboxObjects& objects,
                   CreationFailure& failure) {
    objects.mapping.reset(
        CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0, IPC_MAPPING_SIZE, name));
    if (!objects.mapping) return failure.Set("CreateFileMapping", GetLastError());
    if (GetLastError() == ERROR_ALREADY_EXISTS) IPCTRACE("   FileMapping %s already exists", name);

    objects.view.reset(MapViewOfFile(objects.mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!objects.view) return failure.Set("MapViewOfFile", GetLastError());
    if (!ViewHoldsMailbox(objects.view.get())) return failure.Set("MapViewOfFile (section too small)", 0);

    if (!CreateNamedEvent(name, "_MTX", FALSE, security, objects.messagePresent, failure)) return;
    if (!CreateNamedEvent(name, "_EVT", TRUE, security, objects.mailboxFree, failure)) return;
    objects.stop.reset(CreateEventA(security, TRUE, FALSE, nullptr));
    if (!objects.stop) failure.Set("CreateEvent (stop)", GetLastError());
}

// The record owns the objects from here on, and the receive thread is one of
// its users until it ends.
bool StartReceiveThread(IpcChannel& c, MailboxObjects& objects, CreationFailure& failure) {
    objects.ShowTo(c);
    c.Users = 1;
    c.hRecvThread = CreateThread(nullptr, 0, ServerRecvProc, &c, 0, &c.RecvThreadId);
    if (c.hRecvThread == nullptr) {
        failure.Set("CreateThread", GetLastError());
        return false;
    }
    objects.Detach();
    return true;
}

void TraceServerRecord(const IpcChannel& c) {
    const RecordField fields[] = {
        {"Flags", c.Flags},
        {"hMutex", TraceLong(c.hMutex)},
        {"hEvent", TraceLong(c.hEvent)},
        {"hStop", TraceLong(c.hStop)},
        {"hFM", TraceLong(c.hFM)},
        {"pVF", TraceLong(c.pVF)},
        {"hRecvThread", TraceLong(c.hRecvThread)},
        {"pContext", TraceLong(c.pContext)},
    };
    TraceRecordFields("IPCInitServer", c.Name, fields);
}

}  // namespace

HANDLE IPCInitServer(const char* name, IpcRecvCallback callback, void* /*reserved*/, void* context) {
    IPCDebugTraceInit();
    IPCTRACE("=> IPCInitServer(%s)", name != nullptr ? name : "(null)");
    if (!channel_format::IsValidChannelName(name)) {
        IPCTRACE("<= IPCInitServer(%s): invalid channel name (empty or longer than %d characters)",
                 name != nullptr ? name : "(null)", static_cast<int>(IPC_MAX_NAME_LENGTH));
        return nullptr;
    }
    if (callback == nullptr) {
        IPCTRACE("<= IPCInitServer(%s): no receive callback", name);
        return nullptr;
    }
    ReportExistingChannel(name);

    RecordPtr record(AllocateChannelRecord(), &FreeChannelRecord);
    if (!record) {
        IPCTRACE("<= IPCInitServer(%s): malloc failed", name);
        return nullptr;
    }
    std::optional<ChannelSecurityAttributes> security(std::in_place);
    MailboxObjects objects;
    CreationFailure failure;
    if (security->get() == nullptr) {
        failure.Set("CreateSecurityAttributes", GetLastError());
    } else {
        CreateMailbox(name, security->get(), objects, failure);
    }
    if (!failure.failed()) {
        std::strcpy(record->Name, name);
        record->Flags = IPC_FLAGS_SERVER;
        record->RecvCallback = callback;
        record->pContext = context;
        StartReceiveThread(*record, objects, failure);
    }
    if (failure.failed()) {
        // Nothing half-made is returned: the objects close with `objects`.
        security.reset();
        IPCTRACE("<= IPCInitServer(%s): %s failed with error 0x%08X", name, failure.what,
                 static_cast<unsigned>(failure.error));
        return nullptr;
    }

    TraceServerRecord(*record);
    IpcChannel* channel = record.release();
    channel_registry::AddItem(channel);
    security.reset();
    IPCTRACE("<= IPCInitServer(%s) with handle 0x%08X: ok", name, TraceUint(channel));
    return channel;
}

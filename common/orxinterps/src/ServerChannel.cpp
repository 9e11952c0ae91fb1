// IPCInitServer: creates (or joins) a channel's section and events and
// starts its receive thread.
#include "common/orxinterps/src/ChannelFormat.h"
#include "common/orxinterps/src/ChannelRegistry.h"
#include "common/orxinterps/src/ReceiveThread.h"
#include "common/orxinterps/src/SecurityAttributes.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

namespace {

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
    orx::UniqueHandle existing(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name));
    if (!existing) return;
    IPCTRACE("   IPCInitServer(%s): Server or client with the same name already exists!", name);
    if (existing.close()) {
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

void CreateMailbox(const char* name, SECURITY_ATTRIBUTES* security, IpcChannel& c, CreationFailure& failure) {
    c.hFM.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0, IPC_MAPPING_SIZE, name));
    if (!c.hFM) return failure.Set("CreateFileMapping", GetLastError());
    if (GetLastError() == ERROR_ALREADY_EXISTS) IPCTRACE("   FileMapping %s already exists", name);

    c.pVF.reset(MapViewOfFile(c.hFM.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!c.pVF) return failure.Set("MapViewOfFile", GetLastError());
    if (!ViewHoldsMailbox(c.pVF.get())) return failure.Set("MapViewOfFile (section too small)", 0);

    if (!CreateNamedEvent(name, "_MTX", FALSE, security, c.hMutex, failure)) return;
    if (!CreateNamedEvent(name, "_EVT", TRUE, security, c.hEvent, failure)) return;
    c.hStop.reset(CreateEventA(security, TRUE, FALSE, nullptr));
    if (!c.hStop) failure.Set("CreateEvent (stop)", GetLastError());
}

// The receive thread is one of the record's users until it ends.
void StartReceiveThread(IpcChannel& c, CreationFailure& failure) {
    c.Users = 1;
    c.hRecvThread.reset(CreateThread(nullptr, 0, ServerRecvProc, &c, 0, &c.RecvThreadId));
    if (!c.hRecvThread) failure.Set("CreateThread", GetLastError());
}

}  // namespace

HANDLE IPCInitServer(const char* name, IpcRecvCallback callback, void* /*reserved*/, void* context) {
    IPCDebugTraceInit();
    // Checked below: until then the name is shown escaped.
    const log_text::Escaped<kShownNameSize> shown(name != nullptr ? name : "(null)");
    IPCTRACE("=> IPCInitServer(%s)", shown.c_str());
    if (!channel_format::IsValidChannelName(name)) {
        IPCTRACE("<= IPCInitServer(%s): invalid channel name (empty, longer than %d characters or with a control character)",
                 shown.c_str(), static_cast<int>(IPC_MAX_NAME_LENGTH));
        return nullptr;
    }
    if (callback == nullptr) {
        IPCTRACE("<= IPCInitServer(%s): no receive callback", name);
        return nullptr;
    }
    ReportExistingChannel(name);

    std::unique_ptr<IpcChannel> record(new (std::nothrow) IpcChannel);
    if (!record) {
        IPCTRACE("<= IPCInitServer(%s): malloc failed", name);
        return nullptr;
    }
    std::optional<ChannelSecurityAttributes> security(std::in_place);
    CreationFailure failure;
    if (security->get() == nullptr) {
        failure.Set("CreateSecurityAttributes", GetLastError());
    } else {
        CreateMailbox(name, security->get(), *record, failure);
    }
    if (!failure.failed()) {
        std::strcpy(record->Name, name);
        record->Flags = IPC_FLAGS_SERVER;
        record->RecvCallback = callback;
        record->pContext = context;
        StartReceiveThread(*record, failure);
    }
    if (failure.failed()) {
        // Nothing half-made is returned: the objects close with the record.
        security.reset();
        IPCTRACE("<= IPCInitServer(%s): %s failed with error 0x%08X", name, failure.what,
                 static_cast<unsigned>(failure.error));
        return nullptr;
    }

    TraceRecordFields("IPCInitServer", *record);
    const HANDLE channel = channel_registry::AddItem(record.release());
    security.reset();
    IPCTRACE("<= IPCInitServer(%s) with handle 0x%08X: ok", name, TraceBits(channel));
    return channel;
}

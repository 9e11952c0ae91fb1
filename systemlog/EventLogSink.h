// The Windows event-log output of the system log, under the event source
// "ORXLogs". The level threshold and the flood control do not apply to it.
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

#include <cstdint>

namespace systemlog {

constexpr char kEventSourceName[] = "ORXLogs";
constexpr WORD kOtherFacilityCategory = 9;

// What ReportEventA receives for one event.
struct EventLogRecord {
    WORD type;      // EVENTLOG_ERROR_TYPE, EVENTLOG_WARNING_TYPE or EVENTLOG_INFORMATION_TYPE
    WORD category;  // facility + 1, or 9 for a facility of 8 or more
    DWORD eventId;  // message-table identifier: severity bits, facility code 2, event number
};

// Pure mapping of an event to its record.
EventLogRecord MapEventLogRecord(uint32_t eventNumber, uint8_t facility, int32_t level);

struct EventSourceTraits {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool valid(type h) noexcept { return h != nullptr; }
    static bool close(type h) noexcept { return DeregisterEventSource(h) != FALSE; }
};
using UniqueEventSource = orx::UniqueResource<EventSourceTraits>;

// The shape of ReportEventA.
using ReportEventFn = BOOL(WINAPI*)(HANDLE eventLog, WORD type, WORD category, DWORD eventId, PSID user,
                                    WORD stringCount, DWORD dataSize, LPCSTR* strings, LPVOID data);

class EventLogSink {
public:
    // `report` is ReportEventA but in tests, which need to see what reaches
    // the event log (Wine's event log accepts everything and keeps nothing).
    explicit EventLogSink(ReportEventFn report = ReportEventA) : report_(report) {}
    EventLogSink(const EventLogSink&) = delete;
    EventLogSink& operator=(const EventLogSink&) = delete;

    // True when the source is registered on return. A source registered
    // already is kept: a restart of the system log must not leak it.
    [[nodiscard]] bool Register();
    void Deregister();
    // False when no source is registered or the report failed.
    bool Report(uint32_t eventNumber, uint8_t facility, int32_t level, const char* text);

private:
    ReportEventFn report_;
    // Reports run on the logging threads while a settings change may
    // deregister: the handle is used under the shared lock, replaced under
    // the exclusive one.
    SRWLOCK lock_ = SRWLOCK_INIT;
    UniqueEventSource source_;
};

}  // namespace systemlog

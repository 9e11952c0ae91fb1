// The Windows event-log output of the system log, under the event source
// "ORXLogs". The level threshold does not apply to it; a flood control of its
// own does, so that a local process sending events cannot roll the
// Application log over at the rate the channels carry.
#pragma once

#include "sysdep/WinHandles.h"
#include "systemlog/FloodControl.h"
#include "systemlog/LogClock.h"

#include <windows.h>

#include <cstdint>

namespace systemlog {

constexpr char kEventSourceName[] = "ORXLogs";
constexpr WORD kOtherFacilityCategory = 9;
// Events per flood window (two seconds on the seconds clock): far above what
// the service and its peers log, far below what a channel carries.
constexpr uint32_t kEventLogFloodLimit = 200;
// The event that stands in for those the flood control held back: "[Log
// flood N]", N the largest window count since the previous report, as a
// warning of the facility Starter. Its number is in the message table.
constexpr uint32_t kFloodReportEventNumber = 1000;

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
    explicit EventLogSink(ReportEventFn report = ReportEventA) : report_(report), clock_(&SystemClock()) {}
    EventLogSink(const EventLogSink&) = delete;
    EventLogSink& operator=(const EventLogSink&) = delete;

    // True when the source is registered on return. A source registered
    // already is kept: a restart of the system log must not leak it.
    [[nodiscard]] bool Register();
    void Deregister();
    // The text is escaped (log_text::Escape) and cut to 4094 characters.
    // False when no source is registered, the flood control held the event
    // back, or the report failed.
    bool Report(uint32_t eventNumber, uint8_t facility, int32_t level, const char* text);

    // The clock of the flood window (not owned; null puts back the machine's).
    void SetClock(const LogClock* clock);

private:
    FloodVerdict Admit();

    ReportEventFn report_;
    SRWLOCK floodLock_ = SRWLOCK_INIT;
    FloodControl flood_;
    const LogClock* clock_;
    // Reports run on the logging threads while a settings change may
    // deregister: the handle is used under the shared lock, replaced under
    // the exclusive one.
    SRWLOCK lock_ = SRWLOCK_INIT;
    UniqueEventSource source_;
};

}  // namespace systemlog

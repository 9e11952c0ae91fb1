#include "systemlog/EventLogSink.h"

#include "orxstarter/trace/LogText.h"
#include "systemlog/LogFormat.h"
#include "sysdep/Locks.h"

#include <cstdio>

namespace systemlog {

namespace {
constexpr DWORD kErrorIdBits = 0xC0020000;
constexpr DWORD kWarningIdBits = 0x80020000;
constexpr DWORD kInformationIdBits = 0x40020000;
constexpr uint8_t kFacilityCount = 8;
}  // namespace

EventLogRecord MapEventLogRecord(uint32_t eventNumber, uint8_t facility, int32_t level) {
    EventLogRecord record{};
    DWORD idBits;
    if (level >= kLevelEmerg && level <= kLevelError) {
        record.type = EVENTLOG_ERROR_TYPE;
        idBits = kErrorIdBits;
    } else if (level == kLevelWarning) {
        record.type = EVENTLOG_WARNING_TYPE;
        idBits = kWarningIdBits;
    } else {
        record.type = EVENTLOG_INFORMATION_TYPE;
        idBits = kInformationIdBits;
    }
    record.category = facility < kFacilityCount ? static_cast<WORD>(facility + 1) : kOtherFacilityCategory;
    record.eventId = (eventNumber & 0xFFFF) | idBits;
    return record;
}

bool EventLogSink::Register() {
    orx::ExclusiveGuard guard(lock_);
    if (!source_) source_.reset(RegisterEventSourceA(nullptr, kEventSourceName));
    return static_cast<bool>(source_);
}

void EventLogSink::Deregister() {
    orx::ExclusiveGuard guard(lock_);
    source_.reset();
}

FloodVerdict EventLogSink::Admit() {
    orx::ExclusiveGuard guard(floodLock_);
    return flood_.Admit(clock_->Now().seconds, kEventLogFloodLimit);
}

bool EventLogSink::Report(uint32_t eventNumber, uint8_t facility, int32_t level, const char* text) {
    orx::SharedGuard guard(lock_);
    if (!source_) return false;
    const FloodVerdict verdict = Admit();
    if (verdict.kind == FloodVerdict::Drop) return false;

    char escaped[kTextSize];
    if (verdict.kind == FloodVerdict::Report) {
        // The event is lost; the report stands in its place.
        std::snprintf(escaped, sizeof escaped, "[Log flood %u]", verdict.peak);
        eventNumber = kFloodReportEventNumber;
        facility = 0;
        level = kLevelWarning;
    } else {
        log_text::Escape(text, escaped, sizeof escaped);
    }
    const EventLogRecord record = MapEventLogRecord(eventNumber, facility, level);
    const char* strings[] = {escaped};
    return report_(source_.get(), record.type, record.category, record.eventId, nullptr, 1, 0, strings, nullptr) !=
           FALSE;
}

void EventLogSink::SetClock(const LogClock* clock) {
    orx::ExclusiveGuard guard(floodLock_);
    clock_ = clock != nullptr ? clock : &SystemClock();
}

}  // namespace systemlog

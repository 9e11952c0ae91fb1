#include "systemlog/EventLogSink.h"

#include "systemlog/LogFormat.h"
#include "sysdep/Locks.h"

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

bool EventLogSink::Report(uint32_t eventNumber, uint8_t facility, int32_t level, const char* text) {
    orx::SharedGuard guard(lock_);
    if (!source_) return false;
    const EventLogRecord record = MapEventLogRecord(eventNumber, facility, level);
    const char* strings[] = {text};
    return report_(source_.get(), record.type, record.category, record.eventId, nullptr, 1, 0, strings, nullptr) !=
           FALSE;
}

}  // namespace systemlog

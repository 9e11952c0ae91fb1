// The system log: the user-facing log of the service. Holds the switches of
// its three outputs (daily files, a syslog server, the Windows event log) and
// dispatches every event to them.
#pragma once

#include "systemlog/EventLogSink.h"
#include "systemlog/LogWriter.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>

namespace systemlog {

class SystemLog {
public:
    // The process-wide log uses its own event-log output; tests pass theirs.
    SystemLog() : SystemLog(ownEventLog_) {}
    explicit SystemLog(EventLogSink& eventLog);
    // Closes the sender and releases the event source when their outputs are on.
    ~SystemLog();
    SystemLog(const SystemLog&) = delete;
    SystemLog& operator=(const SystemLog&) = delete;

    // True when at least one output is on. One load: cheap enough to test
    // before every event.
    bool IsEnabled() const { return switches_.load(std::memory_order_relaxed) != 0; }

    // Logs one event: `format` and its arguments form the event's text, which
    // every output writes escaped (log_text::Escape), so one event is always
    // one line. The event log receives every event whatever the threshold;
    // the file and syslog outputs refuse a level outside 0 to 7, with a
    // trace line. Each output has its flood control.
    void Log(uint32_t eventNumber, uint8_t facility, int32_t level, const char* format, ...) ORX_LOG_FORMAT(5, 6);
    void LogV(uint32_t eventNumber, uint8_t facility, int32_t level, const char* format, va_list args);

    // `directory` null switches the file output off. Sets the threshold to 6.
    // Throws what LogWriter::OpenFile throws; the file output then stays off.
    void EnableFile(const char* directory, const char* nameStem);
    // `server` null switches the syslog output off and returns false; port 0
    // means 514. On success the threshold becomes 7.
    [[nodiscard]] bool EnableSyslog(const char* server, const char* tag, uint16_t port);
    // True when the requested state was reached.
    [[nodiscard]] bool EnableEventLog(bool on);
    // Switches every output off, and forgets the file path (see ForgetFile).
    void DisableAll();

    bool FileOn() const { return (switches_.load() & kFileSwitch) != 0; }
    bool SyslogOn() const { return (switches_.load() & kSyslogSwitch) != 0; }
    bool EventLogOn() const { return (switches_.load() & kEventLogSwitch) != 0; }

    LogWriter& Writer() { return writer_; }

private:
    enum : uint32_t { kFileSwitch = 1, kSyslogSwitch = 2, kEventLogSwitch = 4 };
    void SetSwitch(uint32_t bit, bool on);

    // The three switches in one word: logging threads read it without a lock
    // (one atomic load), settings changes write it under settingsLock_.
    std::atomic<uint32_t> switches_{0};
    // Settings changes (service start, the GUI's restart request) may come
    // from two threads; each runs whole.
    SRWLOCK settingsLock_ = SRWLOCK_INIT;
    LogWriter writer_;
    EventLogSink ownEventLog_;
    EventLogSink& eventLog_;
};

// The one system log of the process, all outputs off until the settings
// switch them on.
SystemLog& TheSystemLog();

}  // namespace systemlog

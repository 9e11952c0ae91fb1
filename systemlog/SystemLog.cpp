#include "systemlog/SystemLog.h"

#include "orxstarter/trace/DebugTrace.h"
#include "sysdep/Locks.h"
#include "systemlog/SyslogDatagram.h"

#include <cstdio>

namespace systemlog {

SystemLog::SystemLog(EventLogSink& eventLog) : eventLog_(eventLog) {}

SystemLog::~SystemLog() {
    orx::ExclusiveGuard guard(settingsLock_);
    if (SyslogOn()) writer_.CloseSender();
    if (EventLogOn()) eventLog_.Deregister();
    switches_.store(0);
}

void SystemLog::SetSwitch(uint32_t bit, bool on) {
    if (on) {
        switches_.fetch_or(bit);
    } else {
        switches_.fetch_and(~bit);
    }
}

void SystemLog::Log(uint32_t eventNumber, uint8_t facility, int32_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(eventNumber, facility, level, format, args);
    va_end(args);
}

// Levels arrive from the GUI and the daemon as signed numbers; only 0 to 7
// are syslog severities. The file and syslog outputs refuse another level,
// with a trace line for the developer of the sender, rather than show it at
// a level it did not ask for; the event log takes it as information.
void SystemLog::LogV(uint32_t eventNumber, uint8_t facility, int32_t level, const char* format, va_list args) {
    const uint32_t switches = switches_.load(std::memory_order_relaxed);
    if (switches == 0) return;

    // A longer text is cut here (a line holds only 1023 characters anyway).
    char text[kTextSize];
    std::vsnprintf(text, kTextMaxChars + 1, format, args);

    const bool lineOutputs = (switches & (kFileSwitch | kSyslogSwitch)) != 0;
    if (lineOutputs && IsValidLevel(level)) {
        writer_.WriteLine(facility, level, "[%d] %s", static_cast<int>(eventNumber), text);
    } else if (lineOutputs) {
        TRACE("   SystemLog::Log: level %d is not 0 to 7, event %d refused by the file and syslog outputs\n", level,
              static_cast<int>(eventNumber));
    }
    // The event log receives every event whatever the threshold, under a
    // flood control of its own.
    if (switches & kEventLogSwitch) eventLog_.Report(eventNumber, facility, level, text);
}

void SystemLog::EnableFile(const char* directory, const char* nameStem) {
    orx::ExclusiveGuard guard(settingsLock_);
    if (directory != nullptr) {
        writer_.OpenFile(directory, nameStem);  // may throw: the switch then stays as it was
        writer_.SetFileEnabled(true);
        SetSwitch(kFileSwitch, true);
    } else {
        SetSwitch(kFileSwitch, false);
        writer_.ForgetFile();
    }
    writer_.SetLevel(kLevelInfo);
}

bool SystemLog::EnableSyslog(const char* server, const char* tag, uint16_t port) {
    orx::ExclusiveGuard guard(settingsLock_);
    if (server == nullptr) {
        if (SyslogOn()) writer_.CloseSender();
        writer_.ConfigureSyslog("", "", kSyslogDefaultPort);
        SetSwitch(kSyslogSwitch, false);
        return false;
    }
    const bool ok = writer_.ConfigureSyslog(server, tag, port != 0 ? port : kSyslogDefaultPort);
    SetSwitch(kSyslogSwitch, ok);
    if (ok) writer_.SetLevel(kLevelDebug);
    return ok;
}

bool SystemLog::EnableEventLog(bool on) {
    orx::ExclusiveGuard guard(settingsLock_);
    if (!on) {
        eventLog_.Deregister();
        SetSwitch(kEventLogSwitch, false);
        return true;
    }
    const bool ok = eventLog_.Register();
    SetSwitch(kEventLogSwitch, ok);
    return ok;
}

// The threshold is left as it is; the next start of the outputs sets it again.
// The file path is forgotten (unlike the switches alone would do), so that a
// restart with the syslog output but without the file output does not keep
// appending to the old day's file. The event source stays registered until
// the next EnableEventLog(false) or the end of the process.
void SystemLog::DisableAll() {
    orx::ExclusiveGuard guard(settingsLock_);
    const bool syslogWasOn = SyslogOn();
    switches_.store(0);
    if (syslogWasOn) writer_.CloseSender();
    writer_.ConfigureSyslog("", "", kSyslogDefaultPort);
    writer_.ForgetFile();
}

SystemLog& TheSystemLog() {
    static SystemLog log;
    return log;
}

}  // namespace systemlog

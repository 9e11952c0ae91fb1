// Formats, filters and writes the system log's lines: level threshold, flood
// control, the syslog sender and the day's file. One per system log.
#pragma once

#include "systemlog/FloodControl.h"
#include "systemlog/LogClock.h"
#include "systemlog/LogFormat.h"
#include "systemlog/SyslogSender.h"

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>

#define ORX_LOG_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))

namespace systemlog {

// Appends one record and a line end to the file at `path`, opened and closed
// for this record alone, under `fileLock`. A file that cannot be opened loses
// the record silently; one that opens but cannot be positioned at its end
// loses it with "COULD WRITE TO LOGFILE" on the standard output.
void AppendRecord(SRWLOCK& fileLock, const char* path, const char* record);

constexpr int32_t kDefaultThreshold = kLevelError;
constexpr size_t kServerSettingSize = 40;  // at most 38 characters

class LogWriter {
public:
    LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Formats and filters one line, applies the flood control, and writes the
    // line to the syslog sender and the day's file.
    void WriteLine(uint8_t facility, int32_t level, const char* format, ...) ORX_LOG_FORMAT(4, 5);
    void WriteLineV(uint8_t facility, int32_t level, const char* format, va_list args);

    // Builds today's file path in `directory` and creates the directory's
    // last level. Throws std::filesystem::filesystem_error ("create_directory")
    // when that level cannot be created or is not a directory; callers create
    // the chain first.
    // An empty directory, or a path that would not fit 258 characters,
    // leaves no file path (no file output), with a trace line for the latter.
    void OpenFile(const char* directory, const char* nameStem);
    void SetFileEnabled(bool on);
    // Switching the file output off forgets the path as well, so that lines
    // sent to a syslog server later are not also appended to an old file.
    void ForgetFile();
    // Any value outside 0 to 7 sets 3.
    void SetLevel(int32_t level);

    // True when a sender was created and opened. A server text that does not
    // fit the 38-character setting is refused (no sender), with a trace line.
    bool ConfigureSyslog(const char* server, const char* tag, uint16_t port);
    void CloseSender();

    // The clock used for dates, timestamps and the flood window (not owned;
    // null puts back the machine's clock).
    void SetClock(const LogClock* clock);

    // Observers, for the settings code and for tests.
    int32_t Level() const;
    bool FileEnabled() const;
    std::string FilePath() const;
    bool HasSender() const;
    uint16_t SenderPort() const;  // 0 when no sender
    std::string ServerSetting() const;
    FloodState CurrentFloodState() const;

private:
    struct Admitted;  // what one line may write, taken under the state lock
    bool Admit(int32_t level, Admitted& out);

    // Every field below is shared between the logging threads and the
    // settings change (a channel's receive thread). A plain word per field
    // would let a logging thread see a path half rewritten or a sender being
    // destroyed, so they are read and written under one lock, held only for
    // a few field copies; formatting, sending and appending happen outside.
    mutable SRWLOCK stateLock_ = SRWLOCK_INIT;
    int32_t threshold_ = kDefaultThreshold;
    bool fileEnabled_ = false;
    char filePath_[kPathSize] = {};
    char server_[kServerSettingSize] = {};
    // Shared with the lines being sent, so that closing the sender while
    // another thread sends through it cannot destroy it under that thread.
    std::shared_ptr<SyslogSender> sender_;
    FloodControl flood_;
    const LogClock* clock_;

    // Serialises the appends to the file.
    SRWLOCK fileLock_ = SRWLOCK_INIT;
};

}  // namespace systemlog

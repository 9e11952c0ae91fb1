// Pure formatting of the system log: level and facility names, the line, the
// file record, the file name and path, and the change of day. No OS calls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace systemlog {

constexpr size_t kLineSize = 1024;        // a line holds at most 1023 characters
constexpr size_t kTextSize = 4096;        // an event's text or a message: at most 4094 characters
constexpr size_t kTextMaxChars = 4094;
constexpr size_t kTimestampSize = 26;
constexpr size_t kFileNameSize = 96;
constexpr size_t kPathSize = 260;         // a file path holds at most 258 characters
constexpr size_t kPathMaxChars = 258;
constexpr size_t kDateChars = 10;         // "YYYY-MM-DD"
constexpr size_t kRecordSize = kTimestampSize + 1 + kLineSize + 4;

// Levels are the syslog severities 0 (Emerg) to 7 (Debug).
constexpr int32_t kLevelEmerg = 0;
constexpr int32_t kLevelError = 3;
constexpr int32_t kLevelWarning = 4;
constexpr int32_t kLevelNotice = 5;
constexpr int32_t kLevelInfo = 6;
constexpr int32_t kLevelDebug = 7;

bool IsValidLevel(int32_t level);
// Eight characters, blank-padded; null for a level outside 0 to 7.
const char* LevelName(int32_t level);

// Facilities 8 and above are printed as facility 0.
uint8_t PrintedFacility(uint8_t facility);
// Seven characters, right-aligned.
const char* FacilityName(uint8_t facility);

// "%s.%s\t[%04d]\t" and the message, escaped (log_text::Escape), cut to at
// most 1023 characters.
// Returns the line's length; 0 (and an empty line) for an invalid level.
size_t ComposeLine(uint8_t facility, int32_t level, unsigned long threadId, const char* message, char* out,
                   size_t outSize);

// "%04d%02d%02d %02d:%02d:%02d:%03d " (with the trailing blank).
void FormatTimestamp(const SYSTEMTIME& t, char* out, size_t outSize);

// "%s\t%s": the timestamp and the line; the line end is added when the record is written.
size_t ComposeRecord(const char* timestamp, const char* line, char* out, size_t outSize);

// "%04d-%02d-%02d"
void FormatDate(const SYSTEMTIME& t, char* out, size_t outSize);

// "%04d-%02d-%02d-%s.log". False when it does not fit.
bool FormatFileName(const SYSTEMTIME& t, const char* nameStem, char* out, size_t outSize);

// directory + "\" (unless it ends with one) + file name. False when the
// result would exceed 258 characters; `out` then holds the empty text.
bool JoinFilePath(const char* directory, const char* fileName, char* out, size_t outSize);

// Overwrites the ten characters after the path's last backslash with `date`
// when they differ. Returns true when the path changed. A path without room
// for a date after its last backslash is left alone.
bool ApplyDayChange(char* path, const char* date);

}  // namespace systemlog

#include "systemlog/LogFormat.h"

#include "orxstarter/trace/LogText.h"

#include <cstdio>
#include <cstring>

namespace systemlog {

namespace {

const char* const kLevelNames[] = {"Emerg   ", "Alert   ", "Critical", "Error   ",
                                   "Warning ", "Notice  ", "Info    ", "Debug   "};
const char* const kFacilityNames[] = {"Starter", "    GUI", "    IKE", " Facil3",
                                      " Facil4", " Facil5", " Facil6", " Facil7"};
constexpr uint8_t kFacilityCount = 8;

// snprintf's result is what it wanted to write; the length kept is what fit.
size_t KeptLength(int wanted, size_t outSize) {
    if (wanted < 0 || outSize == 0) return 0;
    return static_cast<size_t>(wanted) < outSize ? static_cast<size_t>(wanted) : outSize - 1;
}

}  // namespace

bool IsValidLevel(int32_t level) { return level >= kLevelEmerg && level <= kLevelDebug; }

const char* LevelName(int32_t level) { return IsValidLevel(level) ? kLevelNames[level] : nullptr; }

uint8_t PrintedFacility(uint8_t facility) { return facility < kFacilityCount ? facility : 0; }

const char* FacilityName(uint8_t facility) { return kFacilityNames[PrintedFacility(facility)]; }

size_t ComposeLine(uint8_t facility, int32_t level, unsigned long threadId, const char* message, char* out,
                   size_t outSize) {
    if (outSize == 0) return 0;
    out[0] = '\0';
    const char* levelName = LevelName(level);
    if (levelName == nullptr) return 0;
    const size_t size = outSize < kLineSize ? outSize : kLineSize;
    const int wanted = std::snprintf(out, size, "%s.%s\t[%04lu]\t", FacilityName(facility), levelName, threadId);
    const size_t prefix = KeptLength(wanted, size);
    // The message may hold texts of other processes: escaped, it stays one line.
    return prefix + log_text::Escape(message, out + prefix, size - prefix);
}

void FormatTimestamp(const SYSTEMTIME& t, char* out, size_t outSize) {
    std::snprintf(out, outSize, "%04d%02d%02d %02d:%02d:%02d:%03d ", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds);
}

size_t ComposeRecord(const char* timestamp, const char* line, char* out, size_t outSize) {
    return KeptLength(std::snprintf(out, outSize, "%s\t%s", timestamp, line), outSize);
}

void FormatDate(const SYSTEMTIME& t, char* out, size_t outSize) {
    std::snprintf(out, outSize, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
}

bool FormatFileName(const SYSTEMTIME& t, const char* nameStem, char* out, size_t outSize) {
    const int wanted = std::snprintf(out, outSize, "%04d-%02d-%02d-%s.log", t.wYear, t.wMonth, t.wDay, nameStem);
    return wanted >= 0 && static_cast<size_t>(wanted) < outSize;
}

bool JoinFilePath(const char* directory, const char* fileName, char* out, size_t outSize) {
    if (outSize == 0) return false;
    out[0] = '\0';
    const size_t dirLength = std::strlen(directory);
    const bool endsWithBackslash = dirLength > 0 && directory[dirLength - 1] == '\\';
    const size_t total = dirLength + (endsWithBackslash ? 0 : 1) + std::strlen(fileName);
    if (total > kPathMaxChars || total >= outSize) return false;
    std::snprintf(out, outSize, "%s%s%s", directory, endsWithBackslash ? "" : "\\", fileName);
    return true;
}

bool ApplyDayChange(char* path, const char* date) {
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return false;
    char* name = slash + 1;
    if (std::strlen(name) < kDateChars || std::strlen(date) != kDateChars) return false;
    if (std::memcmp(name, date, kDateChars) == 0) return false;
    std::memcpy(name, date, kDateChars);
    return true;
}

}  // namespace systemlog

// The events of the system log by event index, their localized texts and
// LogSystemEvent, the one way any part of the service writes to the log.
#pragma once

#include <cstddef>
#include <cstdint>

namespace systemlog {

struct SystemLogEventRow {
    uint32_t eventNumber;  // shown as "[n]" before the text; the event-log identifier
    uint32_t stringId;     // the text in the language library
    bool takesNumber;      // the text shows the caller's number ("%d")
    bool takesText;        // the text shows the caller's text ("%s")
};

constexpr uint32_t kSystemLogEventCount = 55;
constexpr size_t kLangTextSize = 256;  // what the language library is given

extern const SystemLogEventRow SystemLogEventTable[kSystemLogEventCount];

// Null for an index of 55 or more.
const SystemLogEventRow* FindEventRow(uint32_t eventIndex);

// Which arguments the event's format takes, in the order of their placeholders.
enum class EventArgs : uint8_t { None, Text, Number, NumberThenText, TextThenNumber };

// Room for a language text, an appended " %d" and " %s", and every other
// percent sign doubled.
constexpr size_t kEventFormatSize = 2 * (kLangTextSize + 8);

struct EventFormat {
    uint32_t eventNumber;
    char format[kEventFormatSize];  // printf format for SystemLog::Log
    EventArgs args;
};

// Pure: the event number, format and arguments of one event. `langText` is
// the language library's text, null when it has none; `haveTextArgument` says
// whether the caller gave a text.
//  - unknown index: "[ID <index> missing]." with the index as event number;
//  - no language text: "[StringID <id> missing]." (the row's flags still apply);
//  - a row that takes a number but whose text has no "%d" gets " %d" appended;
//    likewise " %s" for a text, when the caller gave one;
//  - a "%d" or "%s" that takes no argument shows with a blank for its percent sign;
//  - any other percent sign shows as itself: the language text can never
//    make the formatting read an argument that is not there.
EventFormat BuildEventFormat(uint32_t eventIndex, const SystemLogEventRow* row, const char* langText,
                             bool haveTextArgument);

}  // namespace systemlog

// Logs the event `eventIndex` with its localized text. `facility` 0 Starter,
// 1 GUI, 2 IKE (8 and above are shown as 0), `level` 0 to 7, `number` and
// `text` (or null) for the text's placeholders. Does nothing, and looks
// nothing up, while every output of the system log is off.
void LogSystemEvent(uint32_t eventIndex, uint8_t facility, int32_t level, int32_t number, const char* text);

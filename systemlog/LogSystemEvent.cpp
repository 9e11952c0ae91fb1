#include "orxstarterlang/OrxStarterLang.h"
#include "systemlog/SystemLog.h"
#include "systemlog/SystemLogEvents.h"

using namespace systemlog;

namespace {

// Kept out of line so that an event logged while every output is off costs
// only the test in LogSystemEvent, without this function's frame.
__attribute__((noinline)) void LogEnabledEvent(SystemLog& log, uint32_t eventIndex, uint8_t facility, int32_t level,
                                               int32_t number, const char* text) {
    const SystemLogEventRow* row = FindEventRow(eventIndex);
    char langText[kLangTextSize] = {};
    bool haveLangText = false;
    if (row != nullptr) {
        haveLangText = StarterLang_GetMBCSStrFromId(row->stringId, langText, sizeof langText) != FALSE;
        langText[sizeof langText - 1] = '\0';
    }
    const EventFormat event = BuildEventFormat(eventIndex, row, haveLangText ? langText : nullptr, text != nullptr);

    // The format comes from the language library: its placeholders were
    // checked above, so the compiler cannot check it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    switch (event.args) {
        case EventArgs::None:
            log.Log(event.eventNumber, facility, level, event.format);
            break;
        case EventArgs::Text:
            log.Log(event.eventNumber, facility, level, event.format, text);
            break;
        case EventArgs::Number:
            log.Log(event.eventNumber, facility, level, event.format, number);
            break;
        case EventArgs::NumberThenText:
            log.Log(event.eventNumber, facility, level, event.format, number, text);
            break;
        case EventArgs::TextThenNumber:
            log.Log(event.eventNumber, facility, level, event.format, text, number);
            break;
    }
#pragma GCC diagnostic pop
}

}  // namespace

void LogSystemEvent(uint32_t eventIndex, uint8_t facility, int32_t level, int32_t number, const char* text) {
    SystemLog& log = TheSystemLog();
    if (log.IsEnabled()) LogEnabledEvent(log, eventIndex, facility, level, number, text);
}

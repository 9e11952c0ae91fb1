#include "systemlog/SystemLogEvents.h"

#include <cstdio>
#include <cstring>

namespace systemlog {

namespace {

// The language text with room for what may be appended to it.
struct WorkText {
    char text[kLangTextSize + 8];
    const char* number = nullptr;  // its "%d", if any
    const char* textArg = nullptr; // its "%s", if any

    void Find() {
        number = std::strstr(text, "%d");
        textArg = std::strstr(text, "%s");
    }
    void Append(const char* placeholder) {
        std::strncat(text, placeholder, sizeof text - std::strlen(text) - 1);
        Find();
    }
    // The placeholder shows as a blank and its letter, and takes no argument.
    void Blank(const char*& placeholder) {
        text[placeholder - text] = ' ';
        placeholder = nullptr;
    }
};

// Copies `text` into `format`, doubling every percent sign except those of
// the kept placeholders.
void EscapeInto(const WorkText& work, char* format, size_t formatSize) {
    size_t out = 0;
    for (const char* p = work.text; *p != '\0' && out + 2 < formatSize; ++p) {
        const bool kept = p == work.number || p == work.textArg;
        if (*p == '%' && !kept) format[out++] = '%';
        format[out++] = *p;
    }
    format[out] = '\0';
}

EventArgs ArgsOf(const WorkText& work) {
    if (work.number != nullptr && work.textArg != nullptr) {
        return work.number < work.textArg ? EventArgs::NumberThenText : EventArgs::TextThenNumber;
    }
    if (work.number != nullptr) return EventArgs::Number;
    if (work.textArg != nullptr) return EventArgs::Text;
    return EventArgs::None;
}

}  // namespace

EventFormat BuildEventFormat(uint32_t eventIndex, const SystemLogEventRow* row, const char* langText,
                             bool haveTextArgument) {
    EventFormat result{};
    WorkText work;
    bool takesNumber = false;
    bool takesText = false;
    if (row == nullptr) {
        std::snprintf(work.text, sizeof work.text, "[ID %d missing].", static_cast<int>(eventIndex));
        result.eventNumber = eventIndex;
    } else {
        result.eventNumber = row->eventNumber;
        takesNumber = row->takesNumber;
        takesText = row->takesText;
        if (langText != nullptr) {
            std::snprintf(work.text, kLangTextSize, "%s", langText);
        } else {
            std::snprintf(work.text, sizeof work.text, "[StringID %d missing].", static_cast<int>(row->stringId));
        }
    }
    work.Find();

    if (takesNumber && work.number == nullptr) work.Append(" %d");
    const bool usesText = takesText && haveTextArgument;
    if (usesText && work.textArg == nullptr) work.Append(" %s");
    if (work.number != nullptr && !takesNumber) work.Blank(work.number);
    if (work.textArg != nullptr && !usesText) work.Blank(work.textArg);

    EscapeInto(work, result.format, sizeof result.format);
    result.args = ArgsOf(work);
    return result;
}

}  // namespace systemlog

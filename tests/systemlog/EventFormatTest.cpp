// The event table, the placeholder rules of localized events, and the
// message DLL of the event source: every identifier the service can report
// resolves to its insertion string, the categories have names, and the
// generated header names the same identifiers.
#include "systemlog/EventLogSink.h"
#include "systemlog/SystemLogEvents.h"
#include "tests/support/TestSupport.h"

#include "OrxLogMsg.h"  // generated from the event table with the message DLL

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace systemlog;

namespace {

// The message's text with `insertion` as %1; "" when there is no such message.
std::string FormatMessageOf(DWORD id, const char* insertion) {
    static const HMODULE module = LoadLibraryExA(testing_support::BinPath("OrxLogMsg.dll").c_str(), nullptr,
                                                 LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = {};
    const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(insertion)};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0,
                                        text, sizeof text, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
    return std::string(text, length);
}

}  // namespace

TEST(EventTable, TheMessageTableShowsEveryEventUnderEverySeverityAndNamesTheCategories) {
    std::set<uint32_t> numbers;  // distinct numbers keep the event-log identifiers apart
    for (const SystemLogEventRow& row : SystemLogEventTable) {
        EXPECT_TRUE(numbers.insert(row.eventNumber).second) << row.eventNumber;
        for (int32_t level : {3, 4, 5}) {  // error, warning, information
            const DWORD id = MapEventLogRecord(row.eventNumber, 0, level).eventId;
            EXPECT_EQ("Tunnel Home is open.", FormatMessageOf(id, "Tunnel Home is open.")) << std::hex << id;
        }
    }
    EXPECT_EQ(nullptr, FindEventRow(kSystemLogEventCount));
    const char* names[] = {"Starter",    "GUI",        "IKE",        "Facility 3", "Facility 4",
                           "Facility 5", "Facility 6", "Facility 7", "Other"};
    for (WORD category = 1; category <= 9; ++category) {
        EXPECT_EQ(names[category - 1] + std::string("\r\n"), FormatMessageOf(category, ""));
    }
    EXPECT_EQ(MapEventLogRecord(1001, 0, 3).eventId, static_cast<DWORD>(ORX_EVENT_1001_E));
    EXPECT_EQ(MapEventLogRecord(3004, 0, 4).eventId, static_cast<DWORD>(ORX_EVENT_3004_W));
    EXPECT_EQ(MapEventLogRecord(2025, 0, 6).eventId, static_cast<DWORD>(ORX_EVENT_2025_I));
    EXPECT_EQ(9u, static_cast<DWORD>(ORX_CATEGORY_9));
}

TEST(EventFormat, PlaceholderRules) {
    const SystemLogEventRow number{1001, 3000, true, false}, text{2008, 3013, false, true},
        both{2015, 3020, true, true}, plain{1002, 3011, false, false};
    const std::string full(kLangTextSize - 1, 't');
    const struct {
        uint32_t index;
        const SystemLogEventRow* row;
        const char* langText;
        bool haveText;
        std::string format;
        EventArgs args;
    } cases[] = {
        {60, nullptr, nullptr, true, "[ID 60 missing].", EventArgs::None},
        {0xFFFFFFFF, nullptr, nullptr, true, "[ID -1 missing].", EventArgs::None},
        {0, &number, nullptr, false, "[StringID 3000 missing]. %d", EventArgs::Number},
        {0, &number, "Access result:", false, "Access result: %d", EventArgs::Number},
        {13, &text, "Tunnel %s is opening.", false, "Tunnel  s is opening.", EventArgs::None},
        {13, &text, "Opening", true, "Opening %s", EventArgs::Text},
        {13, &text, "Opening", false, "Opening", EventArgs::None},
        {11, &plain, "Stopping %d %s.", true, "Stopping  d  s.", EventArgs::None},
        {20, &both, "Configuration %s failed with %d.", true, "Configuration %s failed with %d.",
         EventArgs::TextThenNumber},
        {20, &both, "Error %d on %s.", true, "Error %d on %s.", EventArgs::NumberThenText},
        {20, &both, "Configuration %s failed with %d.", false, "Configuration  s failed with %d.", EventArgs::Number},
        // No other percent sign can ever consume an argument.
        {0, &number, "100% done %x %d %d%", false, "100%% done %%x %d %%d%%", EventArgs::Number},
        // A text filling the whole buffer still gets its placeholders.
        {20, &both, full.c_str(), true, full + " %d %s", EventArgs::NumberThenText},
    };
    for (const auto& c : cases) {
        const EventFormat e = BuildEventFormat(c.index, c.row, c.langText, c.haveText);
        EXPECT_EQ(c.row != nullptr ? c.row->eventNumber : c.index, e.eventNumber) << c.format;
        EXPECT_EQ(c.format, e.format);
        EXPECT_EQ(c.args, e.args) << c.format;
    }
}

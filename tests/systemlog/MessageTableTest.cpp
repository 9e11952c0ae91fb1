// The message DLL of the event source: every identifier the service can
// report resolves to its insertion string, and the categories have names.
#include "EventLogSink.h"
#include "SystemLogEvents.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace systemlog;

namespace {

class MessageTable : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA(testing_support::BinPath("OrxLogMsg.dll").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module_);
    }
    void TearDown() override { FreeLibrary(module_); }

    // The message's text with `insertion` as %1; "" when there is no such message.
    std::string Format(DWORD id, const char* insertion) {
        char text[512] = {};
        const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(insertion)};
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module_, id, 0, text,
                           sizeof text, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
        return std::string(text, length);
    }

    HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(MessageTable, EveryEventUnderEverySeverityShowsItsText) {
    for (uint32_t index = 0; index < kSystemLogEventCount; ++index) {
        for (int32_t level : {0, 3, 4, 5, 7}) {
            const DWORD id = MapEventLogRecord(SystemLogEventTable[index].eventNumber, 0, level).eventId;
            EXPECT_EQ("Tunnel Home is open.", Format(id, "Tunnel Home is open."))
                << "index " << index << " level " << level << " id " << std::hex << id;
        }
    }
}

TEST_F(MessageTable, CategoriesNameTheFacilities) {
    const char* names[] = {"Starter", "GUI", "IKE", "Facility 3", "Facility 4",
                           "Facility 5", "Facility 6", "Facility 7", "Other"};
    for (WORD category = 1; category <= 9; ++category) {
        std::string text = Format(category, "");
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        EXPECT_EQ(names[category - 1], text) << category;
    }
}

// The event table and the placeholder rules of localized events.
#include "SystemLogEvents.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace systemlog;

namespace {

const SystemLogEventRow kNumberRow{1001, 3000, true, false};
const SystemLogEventRow kTextRow{2008, 3013, false, true};
const SystemLogEventRow kBothRow{2015, 3020, true, true};
const SystemLogEventRow kPlainRow{1002, 3011, false, false};

}  // namespace

TEST(EventTable, HasFiftyFiveRowsWithDistinctEventNumbers) {
    std::set<uint32_t> numbers;
    for (const SystemLogEventRow& row : SystemLogEventTable) {
        numbers.insert(row.eventNumber);
        EXPECT_GE(row.stringId, 3000u);
        EXPECT_LE(row.stringId, 3052u);
    }
    // Distinct numbers keep the event-log identifiers apart.
    EXPECT_EQ(kSystemLogEventCount, numbers.size());
    EXPECT_EQ(1001u, FindEventRow(0)->eventNumber);
    EXPECT_EQ(1002u, FindEventRow(11)->eventNumber);
    EXPECT_EQ(3037u, FindEventRow(39)->stringId);  // shares the text of row 37
    EXPECT_TRUE(FindEventRow(20)->takesNumber && FindEventRow(20)->takesText);
    EXPECT_EQ(nullptr, FindEventRow(55));
}

TEST(EventFormat, UnknownIndexNamesItselfAndTakesNoArguments) {
    const EventFormat e = BuildEventFormat(60, nullptr, nullptr, true);
    EXPECT_EQ(60u, e.eventNumber);
    EXPECT_STREQ("[ID 60 missing].", e.format);
    EXPECT_EQ(EventArgs::None, e.args);
}

TEST(EventFormat, MissingTextNamesTheStringIdentifierAndTheRowFlagsStillApply) {
    const EventFormat e = BuildEventFormat(0, &kNumberRow, nullptr, false);
    EXPECT_EQ(1001u, e.eventNumber);
    EXPECT_STREQ("[StringID 3000 missing]. %d", e.format);
    EXPECT_EQ(EventArgs::Number, e.args);
}

TEST(EventFormat, NumberIsAppendedWhenTheTextHasNoPlaceholderForIt) {
    const EventFormat e = BuildEventFormat(0, &kNumberRow, "Access result:", false);
    EXPECT_STREQ("Access result: %d", e.format);
    EXPECT_EQ(EventArgs::Number, e.args);
}

TEST(EventFormat, TextPlaceholderWithoutATextShowsAsBlankAndLetter) {
    const EventFormat e = BuildEventFormat(13, &kTextRow, "Tunnel %s is opening.", false);
    EXPECT_STREQ("Tunnel  s is opening.", e.format);
    EXPECT_EQ(EventArgs::None, e.args);
}

TEST(EventFormat, TextIsAppendedOnlyWhenTheCallerGaveOne) {
    EXPECT_STREQ("Opening %s", BuildEventFormat(13, &kTextRow, "Opening", true).format);
    EXPECT_EQ(EventArgs::Text, BuildEventFormat(13, &kTextRow, "Opening", true).args);
    EXPECT_STREQ("Opening", BuildEventFormat(13, &kTextRow, "Opening", false).format);
}

TEST(EventFormat, PlaceholdersTheRowDoesNotTakeAreBlanked) {
    const EventFormat e = BuildEventFormat(11, &kPlainRow, "Stopping %d %s.", true);
    EXPECT_STREQ("Stopping  d  s.", e.format);
    EXPECT_EQ(EventArgs::None, e.args);
}

TEST(EventFormat, ArgumentsFollowTheOrderOfTheirPlaceholders) {
    const EventFormat textFirst = BuildEventFormat(20, &kBothRow, "Configuration %s failed with %d.", true);
    EXPECT_STREQ("Configuration %s failed with %d.", textFirst.format);
    EXPECT_EQ(EventArgs::TextThenNumber, textFirst.args);

    const EventFormat numberFirst = BuildEventFormat(20, &kBothRow, "Error %d on %s.", true);
    EXPECT_EQ(EventArgs::NumberThenText, numberFirst.args);

    const EventFormat noText = BuildEventFormat(20, &kBothRow, "Configuration %s failed with %d.", false);
    EXPECT_STREQ("Configuration  s failed with %d.", noText.format);
    EXPECT_EQ(EventArgs::Number, noText.args);
}

TEST(EventFormat, OtherPercentSignsCanNeverConsumeAnArgument) {
    const EventFormat e = BuildEventFormat(0, &kNumberRow, "100% done %x %d %d%", false);
    EXPECT_STREQ("100%% done %%x %d %%d%%", e.format);
    EXPECT_EQ(EventArgs::Number, e.args);
    char shown[64];
    std::snprintf(shown, sizeof shown, e.format, 7);
    EXPECT_STREQ("100% done %x 7 %d%", shown);
}

TEST(EventFormat, ALanguageTextFillingTheWholeBufferStillGetsItsPlaceholder) {
    const std::string longText(kLangTextSize - 1, 't');
    const EventFormat e = BuildEventFormat(20, &kBothRow, longText.c_str(), true);
    EXPECT_EQ(longText + " %d %s", e.format);
    EXPECT_EQ(EventArgs::NumberThenText, e.args);
}

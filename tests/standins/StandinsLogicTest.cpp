// The daemon stand-in's settings file: every switch, and each bad line
// refused on its own with its line number.
#include "standins/orxike/DaemonSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace orxike_standin;
using ::testing::HasSubstr;

TEST(DaemonSettings, ParsesEverySwitchAndRefusesBadLinesOneByOne) {
    DaemonSettings settings;
    std::vector<std::string> problems;
    ApplySettingsText(settings,
                      "# comment\r\n"
                      "  start_error = 0x1F \r\n"
                      "\n"
                      "channel_delay_s=5\nnever_alive=1\nexit_after_ms=250\nready_to_die=1\nremain=1\n"
                      "notify_type=0x000B\nnotify_length=40\nnotify_every_ms=20\nnotify_count=0\n"
                      "systemlog_level=-3\nsystemlog_facility=9\nsystemlog_text=a # b = c\n"
                      "notify_length=3\n"           // below 4
                      "remain=2\n"                  // not 0 or 1
                      "start_error=-1\n"            // negative
                      "exit_after_ms=4294967296\n"  // above 32 bits
                      "channel_delay_s=12x\n"       // not a number
                      "speed=7\n"                   // unknown
                      "just words\n",               // no '='
                      "test.ini", problems);
    EXPECT_EQ(0x1Fu, settings.startError);
    EXPECT_EQ(5u, settings.channelDelayS);
    EXPECT_TRUE(settings.neverAlive && settings.readyToDie && settings.remain);
    EXPECT_TRUE(settings.consoleJournal);  // until a benchmark asks for quiet
    std::string error;
    EXPECT_TRUE(ApplySetting(settings, "console", "0", error));
    EXPECT_FALSE(settings.consoleJournal);
    EXPECT_EQ(250u, settings.exitAfterMs.value_or(0));
    EXPECT_TRUE(settings.notify.enabled);
    EXPECT_EQ(0x0Bu, settings.notify.type);
    EXPECT_EQ(40u, settings.notify.length);
    EXPECT_EQ(20u, settings.notify.everyMs);
    EXPECT_EQ(0u, settings.notify.count);
    EXPECT_TRUE(settings.systemLog.enabled);
    EXPECT_EQ(-3, settings.systemLog.level);
    EXPECT_EQ(9, settings.systemLog.facility);
    EXPECT_EQ("a # b = c", settings.systemLog.text);
    ASSERT_EQ(7u, problems.size());
    EXPECT_THAT(problems[0], HasSubstr("test.ini line 16: notify_length: 3 is out of range (4 to 696)"));
    EXPECT_THAT(problems[5], HasSubstr("line 21: unknown switch \"speed\""));
    EXPECT_THAT(problems[6], HasSubstr("line 22: \"just words\" is not key=value"));
}

// The stand-ins' pure rules: the daemon's switches and messages, the
// configuration library's data forms and error names.
#include "common/orxinterps/src/ipcmsg.h"
#include "standins/orxike/DaemonMessages.h"
#include "standins/orxike/DaemonNames.h"
#include "standins/orxike/DaemonSettings.h"
#include "standins/orxike/JournalLine.h"
#include "standins/profstore/ConfigRecord.h"
#include "standins/profstore/LoadData.h"
#include "standins/profstore/Profstore.h"
#include "standins/profstore/StoreFormat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace orxike_standin;
using ::testing::ElementsAre;
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

TEST(ProfstoreData, PlainLoadImportAndRefusals) {
    profstore::LoadRequest request;
    std::string error;
    EXPECT_TRUE(profstore::ParseLoadData(nullptr, 660, request, error));
    EXPECT_FALSE(request.import);
    EXPECT_TRUE(profstore::ParseLoadData("", 660, request, error));
    EXPECT_FALSE(request.import);
    ASSERT_TRUE(profstore::ParseLoadData("name=Home office|C:\\cfg\\home.cfg", 660, request, error));
    EXPECT_TRUE(request.import);
    EXPECT_EQ("Home office", request.name);
    EXPECT_EQ("C:\\cfg\\home.cfg", request.path);

    // Read no further than the data block, even without a NUL.
    const std::string block = "name=N|" + std::string(700, 'p');
    EXPECT_TRUE(profstore::ParseLoadData(block.c_str(), 259 + 7, request, error));
    EXPECT_EQ(259u, request.path.size());

    for (const std::string& bad :
         std::vector<std::string>{"Home|C:\\x", "name=Home", "name=|C:\\x", "name=Home|", "name=a\tb|C:\\x",
                                  "name=" + std::string(256, 'n') + "|C:\\x", "name=N|" + std::string(260, 'p')}) {
        EXPECT_FALSE(profstore::ParseLoadData(bad.c_str(), 660, request, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ("null", profstore::QuoteLoadData(nullptr, 660));
    EXPECT_EQ("\"a\\x0Ab\\x22C:\\d\"", profstore::QuoteLoadData("a\nb\"C:\\d", 660));
}

TEST(ProfstoreData, StoreFileKeepsTheBodyAndRewritesItsHeader) {
    const std::string body = "#profstore in the body stays\r\npeer=192.0.2.1\r\n";
    const std::string file = profstore::RenderStore({"Home", body}, profstore::SaveLine(7, 1, 0, "then"));
    EXPECT_EQ(
        "#profstore name=Home\r\n#profstore last-save argS=7 argA=1 flag=0 (update) at then\r\n"
        "#profstore body follows\r\n" +
            body,
        file);
    const profstore::StoredConfig parsed = profstore::ParseStore(file);
    EXPECT_EQ("Home", parsed.name);
    EXPECT_EQ(body, parsed.body);
    // Written by hand: no header of ours, all of it configuration.
    for (const std::string handWritten : {"peer=1\n", "#profstore name=Only\npeer=1\n"}) {
        const profstore::StoredConfig plain = profstore::ParseStore(handWritten);
        EXPECT_EQ("", plain.name);
        EXPECT_EQ(handWritten, plain.body);
    }
}

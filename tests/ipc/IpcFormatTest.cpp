// The pure pieces of the channels: names and words of the format, the
// catalogue's composers, the channel tools' text side.
#include "ChannelFormat.h"
#include "ChannelToolText.h"
#include "ipcmsg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

template <typename T>
const T& As(const unsigned char (&bytes)[IPC_MAX_MSG_SIZE]) {
    return *reinterpret_cast<const T*>(bytes);
}

bool AllZero(const unsigned char* bytes, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

}  // namespace

TEST(ChannelFormat, NamesUpTo95CharactersAreAccepted) {
    EXPECT_TRUE(channel_format::IsValidChannelName(std::string(95, 'n').c_str()));
    EXPECT_FALSE(channel_format::IsValidChannelName(std::string(96, 'n').c_str()));
    EXPECT_FALSE(channel_format::IsValidChannelName(""));
    EXPECT_FALSE(channel_format::IsValidChannelName(nullptr));

    char event[100];
    ASSERT_TRUE(channel_format::MakeEventName("Global\\vpnsrvcfg", "_MTX", event, sizeof event));
    EXPECT_STREQ("Global\\vpnsrvcfg_MTX", event);
    EXPECT_TRUE(channel_format::MakeEventName(std::string(95, 'n').c_str(), "_EVT", event, sizeof event));
    EXPECT_FALSE(channel_format::MakeEventName(std::string(96, 'n').c_str(), "_EVT", event, sizeof event));
}

TEST(ChannelFormat, LengthFieldAbove696IsNotDeliverable) {
    EXPECT_TRUE(channel_format::IsDeliverableLength(0));
    EXPECT_TRUE(channel_format::IsDeliverableLength(696));
    EXPECT_FALSE(channel_format::IsDeliverableLength(697));
    EXPECT_FALSE(channel_format::IsDeliverableLength(0xFFFFFFFFu));
}

TEST(ChannelFormat, MessageWordsAreLittleEndianAndZeroPastTheEnd) {
    const unsigned char bytes[] = {0x0E, 0x00, 0x00, 0x00, 0x44, 0x33, 0x22};
    EXPECT_EQ(0x0000000Eu, channel_format::MessageWord(bytes, sizeof bytes, 0));
    EXPECT_EQ(0x00223344u, channel_format::MessageWord(bytes, sizeof bytes, 1));  // short second word
    EXPECT_EQ(0x00000000u, channel_format::MessageWord(bytes, 2, 1));
    EXPECT_EQ(0x0000000Eu, channel_format::MessageWord(bytes, 1, 0));
    EXPECT_EQ(0u, channel_format::MessageWord(nullptr, 0, 0));
}

TEST(MessageCatalogue, NamesKnownCodesAndNothingElse) {
    EXPECT_STREQ("ORXIKE_SILENT_NOTIFY", IpcMsgName(0x000E));
    EXPECT_STREQ("VPNCONF_SYSINFOS", IpcMsgName(0x1026));
    EXPECT_STREQ("CFGPANEL_PWD_RESP", IpcMsgName(0x900D));
    for (uint32_t unused : {0x0000u, 0x000Fu, 0x1005u, 0x1007u, 0x100Au, 0x101Au, 0x1021u, 0x1025u, 0x9004u}) {
        EXPECT_EQ(nullptr, IpcMsgName(unused)) << std::hex << unused;
    }
}

TEST(MessageCatalogue, StatusFormCarriesVersionAndSessionEventInBothVariants) {
    unsigned char msg[IPC_MAX_MSG_SIZE];
    ComposeStatusMsg(msg, true, false, 0x1234);
    EXPECT_EQ(ORXIKE_STARTED, As<IpcStatusMsg>(msg).type);
    EXPECT_EQ(0u, As<IpcStatusMsg>(msg).alreadyRunning8);
    EXPECT_EQ(0, std::memcmp(msg + 8, "4.40\0\0\0\0", 8));
    EXPECT_EQ(0u, As<IpcStatusMsg>(msg).alreadyRunning2);
    EXPECT_EQ(0x1234u, As<IpcStatusMsg>(msg).lastSessionEvent);
    EXPECT_TRUE(AllZero(msg, 24, sizeof msg));

    ComposeStatusMsg(msg, false, true, 7);
    EXPECT_EQ(ORXIKE_STOPPED, As<IpcStatusMsg>(msg).type);
    EXPECT_EQ(8u, As<IpcStatusMsg>(msg).alreadyRunning8);
    EXPECT_EQ(0, std::memcmp(msg + 8, "4.40", 5));
    EXPECT_EQ(2u, As<IpcStatusMsg>(msg).alreadyRunning2);
    EXPECT_EQ(7u, As<IpcStatusMsg>(msg).lastSessionEvent);
    EXPECT_TRUE(AllZero(msg, 24, sizeof msg));
}

TEST(MessageCatalogue, EmptyMessageIsTheCodeAndZeros) {
    unsigned char msg[IPC_MAX_MSG_SIZE];
    std::memset(msg, 0xAA, sizeof msg);
    ComposeEmptyMsg(msg, CFGPANEL_OPEN_GRANTED);
    EXPECT_EQ(0, std::memcmp(msg, "\x0B\x90\x00\x00", 4));
    EXPECT_TRUE(AllZero(msg, 4, sizeof msg));
}

TEST(MessageCatalogue, ConfigAnswerCarriesTheRequestBlockBackAtOffset28) {
    unsigned char raw[IPC_MAX_MSG_SIZE];
    for (size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<unsigned char>(i + 1);
    const auto& request = As<IpcConfigReqMsg>(raw);

    unsigned char msg[IPC_MAX_MSG_SIZE];
    ComposeConfigResp(msg, 0x55, request);
    const auto& answer = As<IpcConfigRespMsg>(msg);
    EXPECT_EQ(CONFIG_RESP, answer.type);
    EXPECT_EQ(672u, answer.answerLength);
    EXPECT_TRUE(AllZero(msg, 8, 16));
    EXPECT_EQ(0x55u, answer.result);
    EXPECT_EQ(request.argL, answer.argL);
    EXPECT_EQ(request.operation, answer.operation);
    EXPECT_EQ(0, std::memcmp(msg + 28, raw + 32, 660));
    EXPECT_TRUE(AllZero(msg, 688, sizeof msg));
}

TEST(MessageCatalogue, ServicesOwnVpnConfStartedCopiesOnlyTheGuisFields) {
    unsigned char raw[IPC_MAX_MSG_SIZE];
    std::memset(raw, 0xEE, sizeof raw);
    unsigned char msg[IPC_MAX_MSG_SIZE];
    ComposeDaemonVpnConfStarted(msg, As<IpcGuiStartedMsg>(raw));
    EXPECT_EQ(0, std::memcmp(msg, "\x00\x10\x00\x00", 4));
    EXPECT_EQ(0, std::memcmp(msg + 4, raw + 4, 9));    // words at 4 and 8, byte at 12
    EXPECT_TRUE(AllZero(msg, 13, 16));
    EXPECT_EQ(0, std::memcmp(msg + 16, raw + 16, 24));  // window handle and 16 bytes
    EXPECT_TRUE(AllZero(msg, 40, sizeof msg));
}

TEST(ChannelToolText, ParsesListenAndSend) {
    channel_tool::Command command;
    std::string error;
    ASSERT_TRUE(channel_tool::ParseCommand({"listen", "Global\\x", "--hold-ms", "3000", "--count", "2"}, command,
                                           error));
    EXPECT_EQ(channel_tool::Action::Listen, command.action);
    EXPECT_EQ("Global\\x", command.channel);
    EXPECT_EQ(2u, command.count);
    EXPECT_EQ(3000u, command.holdMs);

    ASSERT_TRUE(channel_tool::ParseCommand({"send", "x", "0aFF00"}, command, error));
    EXPECT_EQ(channel_tool::Action::Send, command.action);
    EXPECT_EQ((std::vector<uint8_t>{0x0A, 0xFF, 0x00}), command.bytes);

    ASSERT_TRUE(channel_tool::ParseCommand({"send", "x", ""}, command, error));
    EXPECT_TRUE(command.bytes.empty());
}

TEST(ChannelToolText, RefusesBadCommandLinesWithAReason) {
    channel_tool::Command command;
    std::string error;
    EXPECT_FALSE(channel_tool::ParseCommand({"send", "x", "abc"}, command, error));
    EXPECT_NE(std::string::npos, error.find("odd"));
    EXPECT_FALSE(channel_tool::ParseCommand({"send", "x", "0g"}, command, error));
    EXPECT_NE(std::string::npos, error.find("position 2"));
    EXPECT_FALSE(channel_tool::ParseCommand({"listen", "x", "--count"}, command, error));
    EXPECT_FALSE(channel_tool::ParseCommand({"listen", "x", "--count", "-1"}, command, error));
    EXPECT_FALSE(channel_tool::ParseCommand({"listen", "x", "--verbose", "1"}, command, error));
    EXPECT_FALSE(channel_tool::ParseCommand({"send", "x"}, command, error));
    EXPECT_FALSE(channel_tool::ParseCommand({"receive", "x"}, command, error));
    EXPECT_FALSE(channel_tool::ParseCommand({"listen", ""}, command, error));
    EXPECT_FALSE(channel_tool::ParseCommand({}, command, error));
}

TEST(ChannelToolText, PrintsLengthAndLowerCaseHex) {
    const unsigned char bytes[] = {0x01, 0xAB, 0x00, 0xff};
    EXPECT_EQ("4 01ab00ff\n", channel_tool::MessageLine(bytes, sizeof bytes));
    EXPECT_EQ("0 \n", channel_tool::MessageLine(bytes, 0));
}

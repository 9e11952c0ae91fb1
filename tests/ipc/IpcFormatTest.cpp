// The pure pieces of the channels: message words, the catalogue's names and
// composers, the channel tools' command line.
#include "common/orxinterps/src/ChannelFormat.h"
#include "tools/ipctool/ChannelToolText.h"
#include "common/orxinterps/src/ipcmsg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Msg = unsigned char[IPC_MAX_MSG_SIZE];

Bytes Le(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A full message, zero but for `fields` (offset, bytes).
Bytes Message(std::initializer_list<std::pair<size_t, Bytes>> fields) {
    Bytes bytes(IPC_MAX_MSG_SIZE, 0);
    for (const auto& [offset, value] : fields) std::copy(value.begin(), value.end(), bytes.begin() + offset);
    return bytes;
}

}  // namespace

TEST(ChannelFormat, MessageWordsAreLittleEndianAndZeroPastTheEnd) {
    const unsigned char bytes[] = {0x0E, 0x00, 0x00, 0x00, 0x44, 0x33, 0x22};
    EXPECT_EQ(0x0000000Eu, channel_format::MessageWord(bytes, sizeof bytes, 0));
    EXPECT_EQ(0x00223344u, channel_format::MessageWord(bytes, sizeof bytes, 1));  // short second word
    EXPECT_EQ(0u, channel_format::MessageWord(bytes, 2, 1));
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

TEST(MessageCatalogue, ComposersWriteTheirFieldsAndZeroEverythingElse) {
    Msg raw;  // a GUI's request, every byte telling
    for (size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<unsigned char>(i + 1);
    const Bytes version = {'4', '.', '4', '0'};
    const std::pair<std::function<void(Msg&)>, Bytes> cases[] = {
        {[](Msg& m) { ComposeStatusMsg(m, true, false, 0x1234); },
         Message({{0, Le(0x0001)}, {8, version}, {20, Le(0x1234)}})},
        {[](Msg& m) { ComposeStatusMsg(m, false, true, 7); },
         Message({{0, Le(0x0002)}, {4, Le(8)}, {8, version}, {16, Le(2)}, {20, Le(7)}})},
        {[](Msg& m) { ComposeEmptyMsg(m, CFGPANEL_OPEN_GRANTED); }, Message({{0, Le(0x900B)}})},
        // Argument L and operation (24..32) and the data block (32..692) of the request.
        {[&](Msg& m) { ComposeConfigResp(m, 0x55, reinterpret_cast<const IpcConfigReqMsg&>(raw)); },
         Message({{0, Le(0x9003)}, {4, Le(672)}, {16, Le(0x55)}, {20, Bytes(raw + 24, raw + 692)}})},
        // The words at 4 and 8, the byte at 12 and the 24 bytes from 16.
        {[&](Msg& m) { ComposeDaemonVpnConfStarted(m, reinterpret_cast<const IpcGuiStartedMsg&>(raw)); },
         Message({{0, Le(0x1000)}, {4, Bytes(raw + 4, raw + 13)}, {16, Bytes(raw + 16, raw + 40)}})},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Msg msg;
        std::memset(msg, 0xAA, sizeof msg);
        cases[i].first(msg);
        EXPECT_EQ(cases[i].second, Bytes(msg, msg + sizeof msg)) << "case " << i;
    }
}

// The tools at work are in the cross-process tests; here, hex in either case
// and the command lines they refuse.
TEST(ChannelToolText, TakesHexInEitherCaseAndRefusesBadCommandLinesWithAReason) {
    channel_tool::Command command;
    std::string error;
    ASSERT_TRUE(channel_tool::ParseCommand({"send", "x", "0aFF00"}, command, error));
    EXPECT_EQ((Bytes{0x0A, 0xFF, 0x00}), command.bytes);

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"send", "x", "abc"}, "odd"}, {{"send", "x", "0g"}, "position 2"}, {{"listen", "x", "--count"}, ""},
        {{"listen", "x", "--count", "-1"}, ""}, {{"listen", "x", "--verbose", "1"}, ""}, {{"send", "x"}, ""},
        {{"receive", "x"}, ""}, {{"listen", ""}, ""}, {{}, ""}};
    for (const auto& [args, reason] : refused) {
        error.clear();
        EXPECT_FALSE(channel_tool::ParseCommand(args, command, error)) << args.size();
        EXPECT_NE(std::string::npos, error.find(reason)) << error;
        EXPECT_FALSE(error.empty());
    }
}

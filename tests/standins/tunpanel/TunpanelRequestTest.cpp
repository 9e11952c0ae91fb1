// tunpanel's request language and the bytes it puts on the wire: the service
// reads these fields at fixed offsets, so each is checked where it lands.
#include "common/orxinterps/src/ipcmsg.h"
#include "standins/tunpanel/Inbox.h"
#include "standins/tunpanel/MessageLines.h"
#include "standins/tunpanel/Options.h"
#include "standins/tunpanel/RequestParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace tunpanel;
using ::testing::HasSubstr;

namespace {

const RequestDefaults kDefaults{0x12345678ABCDull, 1};

Request Parse(const std::string& line) {
    Request request;
    std::string error;
    EXPECT_TRUE(ParseRequest(line, kDefaults, request, error)) << line << ": " << error;
    return request;
}

uint32_t Word(const Message& m, size_t offset) {
    uint32_t value = 0;
    if (offset + 4 <= m.size()) std::memcpy(&value, m.data() + offset, 4);
    return value;
}

std::string Text(const Message& m, size_t offset) { return reinterpret_cast<const char*>(&m.at(offset)); }

// Every byte outside [from, to) is zero, apart from the type code.
bool ZeroOutside(const Message& m, size_t from, size_t to) {
    for (size_t i = 4; i < m.size(); ++i) {
        if ((i < from || i >= to) && m[i] != 0) return false;
    }
    return true;
}

}  // namespace

TEST(TunpanelRequest, RegWriteFillsPathTypeLengthAndData) {
    struct Case {
        const char* line;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"regwrite \"SOFTWARE\\My Key|Val\" sz \"a b\"", REG_SZ, {'a', ' ', 'b', 0}},
        {"regwrite \"SOFTWARE\\My Key|Val\" dword 0x01020304", REG_DWORD, {4, 3, 2, 1}},
        {"regwrite \"SOFTWARE\\My Key|Val\" binary 01ff 02", REG_BINARY, {1, 0xff, 2}},
        {"regwrite \"SOFTWARE\\My Key|Val\" sz \"\"", REG_SZ, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Request request = Parse(c.line);
        const Message& m = request.message;
        ASSERT_EQ(IPC_MAX_MSG_SIZE, m.size());
        EXPECT_EQ(RequestKind::ToService, request.kind);
        EXPECT_EQ(uint32_t{VPNCONF_REG_WRITE}, Word(m, 0));
        EXPECT_EQ("SOFTWARE\\My Key|Val", Text(m, 16));
        EXPECT_EQ(c.type, Word(m, 276));
        EXPECT_EQ(c.data.size(), Word(m, 280));
        EXPECT_EQ(c.data, std::vector<uint8_t>(m.begin() + 284, m.begin() + 284 + c.data.size()));
        EXPECT_TRUE(ZeroOutside(m, 16, 284 + c.data.size()));
    }
    const Message deletion = Parse("regdelete \"SOFTWARE\\My Key|Val\"").message;
    EXPECT_EQ(uint32_t{VPNCONF_REG_DELETE}, Word(deletion, 0));
    EXPECT_EQ("SOFTWARE\\My Key|Val", Text(deletion, 16));
    // The largest data that fits ends the message exactly.
    const Message full = Parse("regwrite K|V binary " + std::string(412 * 2, 'a')).message;
    EXPECT_EQ(412u, Word(full, 280));
    EXPECT_EQ(0xaa, full.back());
}

TEST(TunpanelRequest, ConfigFillsArgumentsOperationAndData) {
    const Message m = Parse("config import A=1 S=0x20 l=3 data=\"name=Office VPN|x\"").message;
    ASSERT_EQ(IPC_MAX_MSG_SIZE, m.size());
    EXPECT_EQ(uint32_t{CONFIG_REQ}, Word(m, 0));
    EXPECT_EQ((std::vector<uint32_t>{1, 0x20, 3, 3}), (std::vector<uint32_t>{Word(m, 16), Word(m, 20), Word(m, 24),
                                                                                Word(m, 28)}));
    EXPECT_EQ("name=Office VPN|x", Text(m, 32));
    EXPECT_TRUE(ZeroOutside(m, 16, 32 + 17));
    for (const auto& [line, operation] : {std::pair{"config load", 0u}, std::pair{"config SAVE", 1u},
                                          std::pair{"config update", 2u}, std::pair{"config 6", 6u}}) {
        const Message plain = Parse(line).message;
        EXPECT_EQ(operation, Word(plain, 28)) << line;
        EXPECT_TRUE(ZeroOutside(plain, 28, 32)) << line;
    }
}

TEST(TunpanelRequest, OtherRequestsPutTheirFieldWhereTheServiceReadsIt) {
    const Message started = Parse("start").message;
    EXPECT_EQ(uint32_t{VPNCONF_STARTED}, Word(started, 0));
    EXPECT_EQ(0x12345678ABCDull, Word(started, 16) | uint64_t{Word(started, 20)} << 32);
    EXPECT_TRUE(ZeroOutside(started, 16, 24));
    EXPECT_EQ(0x99u, Word(Parse("start 0x99").message, 16));

    EXPECT_EQ(1u, Word(Parse("close").message, 24));  // the default of a logon-screen GUI
    EXPECT_EQ(uint32_t{VPNCONF_CLOSED}, Word(Parse("close 0x100").message, 0));
    EXPECT_EQ(0x100u, Word(Parse("close 0x100").message, 24));
    EXPECT_EQ("1234", Text(Parse("pin 1234").message, 16));
    EXPECT_EQ(uint32_t{ORXCREDPROV_UNREGISTER}, Word(Parse("credprov unregister").message, 0));
    EXPECT_EQ(uint32_t{VPNCONF_DEBUG_ON}, Word(Parse("DEBUG on").message, 0));
    for (const char* plain : {"stopped", "update", "reset-ike"}) EXPECT_TRUE(ZeroOutside(Parse(plain).message, 0, 0));

    const Request panel = Parse("panel \"pass word\"");
    EXPECT_EQ(RequestKind::Panel, panel.kind);
    EXPECT_EQ("pass word", panel.password);
    EXPECT_EQ(Message(EmptyMessage(OPEN_CFGPANEL_REQ)), panel.message);
    EXPECT_EQ("pass word", Text(PasswordMessage(panel.password), 16));

    const Request relay = Parse("relay ORXIKE_SA_ADD 40");
    EXPECT_EQ(RequestKind::Relay, relay.kind);
    EXPECT_EQ((Message{4, 0, 0, 0}), Message(relay.message.begin(), relay.message.begin() + 4));
    EXPECT_EQ(40u, relay.message.size());

    EXPECT_EQ((Message{0x14, 0x10, 0, 0, 0xaa, 0xbb, 0}), Parse("send vpnconf_reg_write 7 aa bb").message);
    EXPECT_EQ((Message{0x34, 0x12}), Parse("send 0x1234 2").message);
    EXPECT_EQ(IPC_MAX_MSG_SIZE, Parse("send 0x1234").message.size());

    const Request expect = Parse("expect cfgpanel_open_granted");
    EXPECT_EQ(RequestKind::Expect, expect.kind);
    EXPECT_EQ(uint32_t{CFGPANEL_OPEN_GRANTED}, expect.code);
    EXPECT_EQ(kDefaultExpectTimeoutMs, expect.milliseconds);
    EXPECT_EQ(250u, Parse("expect 0x4444 250").milliseconds);

    const Message info = GuiInfoMessage(0x4321, true, -1);
    EXPECT_EQ(IPC_MAX_MSG_SIZE, info.size());
    EXPECT_EQ(uint32_t{SET_GUI_INFOS}, Word(info, 0));
    EXPECT_EQ(0x4321u, Word(info, 16));
    EXPECT_EQ(1u, Word(info, 20));
    EXPECT_EQ(0xff, info[24]);
    EXPECT_TRUE(ZeroOutside(info, 16, 25));
}

// What cannot be sent as asked is refused with a reason, never cut or guessed.
TEST(TunpanelRequest, BadRequestsAreRefusedWithAReason) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "empty request"},
        {"launch", "unknown request \"launch\""},
        {"wait", "wrong number of arguments"},
        {"pin \"open", "unterminated quote"},
        {"regwrite SOFTWARE\\Key sz x", "lacks the '|'"},
        {"regwrite K|V qword 1", "unknown value type"},
        {"regwrite K|V sz two words", "one word"},
        {"regwrite K|V dword 0x100000000", "a dword value must be a number"},
        {"regwrite K|V binary 0g", "hex byte pairs"},
        {"regwrite K|V sz " + std::string(412, 'x'), "at most 412 bytes"},
        {"regwrite K|V binary " + std::string(413 * 2, 'a'), "at most 412 bytes"},
        {"regdelete " + std::string(256, 'k') + "|val", "at most 259 characters"},
        {"config load B=1", "unknown field \"B\""},
        {"config load A", "not of the form"},
        {"config fetch", "the operation"},
        {"config load data=" + std::string(660, 'd'), "at most 659 characters"},
        {"syslog 1 256 5 0", "the facility"},
        {"syslog 1 0 40000 0", "the level"},
        {"pin " + std::string(204, '1'), "at most 203 characters"},
        {"panel " + std::string(256, 'p'), "at most 255 characters"},
        {"send 0x1234 697", "the length"},
        {"send 0x1234 6 aabbcc", "do not fit"},
        {"relay NO_SUCH_MESSAGE", "neither a message name nor a number"},
        {"expect ORXIKE_STARTED soon", "the timeout"},
        {"credprov maybe", "neither register nor unregister"},
    };
    for (const auto& [line, reason] : cases) {
        Request request;
        std::string error;
        EXPECT_FALSE(ParseRequest(line, kDefaults, request, error)) << line;
        EXPECT_THAT(error, HasSubstr(reason)) << line;
    }
}

// A message that came before its expect counts; each expect takes one.
TEST(TunpanelInbox, ExpectTakesEachMessageOnceOldestFirst) {
    Inbox inbox;
    inbox.Add(CONFIG_RESP);
    inbox.Add(ORXIKE_STARTED);
    inbox.Add(CONFIG_RESP);
    EXPECT_TRUE(inbox.Take(CONFIG_RESP, std::chrono::milliseconds(0)));
    EXPECT_TRUE(inbox.Take(CONFIG_RESP, std::chrono::milliseconds(0)));
    EXPECT_FALSE(inbox.Take(CONFIG_RESP, std::chrono::milliseconds(50)));
    EXPECT_TRUE(inbox.Take(ORXIKE_STARTED, std::chrono::milliseconds(0)));

    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        inbox.Add(CFGPANEL_OPEN_REFUSED);
    });
    EXPECT_TRUE(inbox.Take(CFGPANEL_OPEN_REFUSED, std::chrono::milliseconds(5000)));
    later.join();
}

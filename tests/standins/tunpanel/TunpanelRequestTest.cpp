// tunpanel's request language and the bytes it puts on the wire: the service
// reads these fields at fixed offsets, so each is checked where it lands.
#include "common/orxinterps/src/ipcmsg.h"
#include "standins/tunpanel/RequestParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
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

// What a hostile local process can send the broker on its request channels:
// texts that would forge system-log records, registry requests aimed at the
// values the service launches from, credentials it could read back from the
// trace; and what a policy the broker cannot read lets through.
#include "tests/gui/GuiTestSupport.h"

#include "orxstarter/gui/RegistryPolicy.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <regex>

using namespace gui_test;
using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr char kForgedRecord[] = "20261205 00:21:32:123 \tStarter.Notice  \t[1234]\t[1001] forged";

// The lines of a text, as any reader of the file splits them.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// ORX_SYSTEMLOG: event index 8 (the daemon's event that takes a text).
Bytes SystemLogMessage(const std::string& text) {
    Bytes message = Message(ORX_SYSTEMLOG, 40, text);
    message[16] = 2;  // the IKE facility
    message[18] = 5;  // Notice
    message[20] = 8;
    return message;
}

// The policy's keys are made for the test where the service is not
// installed, and removed again; the value is put back as it was.
class HostileInput : public BrokerTest {
protected:
    KeyLeftAsFound serviceKey_{HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter"};
    KeyLeftAsFound parametersKey_{HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey};
    ScopedRegValue policy{HKEY_LOCAL_MACHINE, gui_registry::kPolicyKey, gui_registry::kPolicyValue};
    void TearDown() override {
        BrokerTest::TearDown();
        DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxGuiTest");
    }
};

}  // namespace

// A text with CR LF and a whole record after it, in an event's text, a
// configuration's name and a registry value's name: each event is one line
// of the day's file, the text escaped in it, and the trace line too.
TEST_F(HostileInput, TextsThatCarryLineBreaksNeverForgeARecord) {
    ASSERT_TRUE(policy.SetString("SOFTWARE\\OrxGuiTest"));
    Announce(false);
    const std::string forged = std::string("peer\r\n") + kForgedRecord;
    ASSERT_TRUE(Send(SystemLogMessage(forged)));
    Bytes import = Message(CONFIG_REQ, 32, "name=" + forged + "|missing.cfg");
    import[28] = 3;
    ASSERT_TRUE(Send(import));
    ASSERT_FALSE(user->Take(CONFIG_RESP).empty());
    ASSERT_TRUE(Send(RegWrite("SOFTWARE\\Outside|" + forged, REG_SZ, Text("x"), 2)));
    Fence();

    const std::vector<std::string> lines = LinesOf(SystemLog());
    const std::regex record(R"(\d{8} \d{2}:\d{2}:\d{2}:\d{3} \t(Starter|    GUI|    IKE)\.\w+ *\t\[\d{4,}\]\t\[\d+\] .*\r)");
    EXPECT_EQ(4u, lines.size()) << "event 1 (the GUI), 3004, 2015 for the import and 2015 for the refusal";
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, record)) << line;
    const std::string escaped =
        "peer\\x0D\\x0A20261205 00:21:32:123 \\x09Starter.Notice  \\x09[1234]\\x09[1001] forged";
    EXPECT_EQ(3, std::count_if(lines.begin(), lines.end(),
                               [&](const std::string& line) { return line.find(escaped) != std::string::npos; }));
    EXPECT_TRUE(Traced("VPNCONF_REG_WRITE HKLM\\SOFTWARE\\Outside|" + escaped + " refused by policy"));
}

// The daemon's App Paths key listed (the GUI keeps settings there), or a
// parent of it, or one of the values by name: "Path", "NgPath", "IkeV2",
// "IkeStart", "LogPath" and the key's default value are neither written nor
// deleted, in any spelling; the key's other values follow the policy.
TEST_F(HostileInput, ThePolicyNeverHandsOverWhatTheServiceLaunchesOrWhereItWrites) {
    const std::string key = kAppPathsKey;
    const std::vector<std::string> values = {"Path", "NgPath", "IkeV2", "IkeStart", "LogPath", ""};
    for (const std::string& name : values) ASSERT_TRUE(settings.SetString(name, "kept " + name));
    ASSERT_TRUE(settings.Remove("OrxGuiTestSetting"));
    const Bytes evil = Text("C:\\Users\\Public\\evil");
    const std::string otherSpelling = "software\\microsoft\\windows\\currentversion\\app paths\\ORXIKE.EXE";
    for (const std::string& entry : {key, std::string("SOFTWARE\\Microsoft\\"), key + "|Path"}) {
        SCOPED_TRACE(entry);
        ASSERT_TRUE(policy.SetString(entry));
        for (const std::string& name : values) {
            for (const std::string& spelt : {key, otherSpelling}) {
                ASSERT_TRUE(Send(RegWrite(spelt + "|" + name, REG_SZ, evil, static_cast<uint32_t>(evil.size()))));
                ASSERT_TRUE(Send(Message(VPNCONF_REG_DELETE, 16, spelt + "|" + name)));
            }
        }
        ASSERT_TRUE(Send(RegWrite(key + "|OrxGuiTestSetting", REG_SZ, Text(entry), static_cast<uint32_t>(entry.size() + 1))));
        Fence();
        for (const std::string& name : values) {
            EXPECT_EQ(Text("kept " + name), ReadValue(HKEY_LOCAL_MACHINE, key, name)) << name;
        }
        const bool coversTheSetting = entry.find('|') == std::string::npos;
        EXPECT_EQ(coversTheSetting ? Text(entry) : Bytes{}, ReadValue(HKEY_LOCAL_MACHINE, key, "OrxGuiTestSetting"));
        ASSERT_TRUE(settings.Remove("OrxGuiTestSetting"));
    }
    EXPECT_TRUE(Traced("refused by policy, the value decides what the service launches or where it writes"));
    EXPECT_THAT(SystemLog(), HasSubstr("[2015] "));
}

// The XAUTH credentials are never in clear in the trace, their length only
// (their wipe is checked with the other secrets').
TEST_F(HostileInput, XauthCredentialsAreNeverTraced) {
    Announce(false);
    ASSERT_TRUE(Send(Message(VPNCONF_XAUTH_SET, 16, "alice:Secret-Xauth-7")));
    EXPECT_FALSE(daemon.Take(VPNCONF_XAUTH_SET).empty());
    EXPECT_TRUE(Traced("   VPNCONF_XAUTH_SET: 20 bytes"));
    trace.Settle();
    for (const std::string& text : trace.Texts()) EXPECT_THAT(text, Not(HasSubstr("Secret-Xauth"))) << text;
}

// A policy value of a type that cannot hold key names refuses every key.
TEST_F(HostileInput, AnUnreadablePolicyRefusesEveryKey) {
    ASSERT_TRUE(policy.SetDword(1));
    ASSERT_TRUE(Send(RegWrite("SOFTWARE\\OrxGuiTest\\Allowed|Probe", REG_SZ, Text("x"), 2)));
    Fence();
    EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxGuiTest\\Allowed", "Probe").empty());
    EXPECT_TRUE(std::regex_search(SystemLog(), std::regex("GUI\\.Error[^\\n]*\\[2015\\] Configuration HKLM[^\\n]*"
                                                          "Allowed\\|Probe: the operation failed with error 5\\.")))
        << SystemLog();
}

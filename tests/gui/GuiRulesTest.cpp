// The broker's rules without the OS: the registry policy, the registry
// request's target, the panel password's length rule, the configuration
// operations, their result lines and import names.
#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/gui/ConfigRequestRules.h"
#include "orxstarter/gui/PanelPasswordRules.h"
#include "orxstarter/gui/RegistryPolicy.h"
#include "orxstarter/gui/RegistryRequest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace gui_registry;
using ::testing::ElementsAre;

TEST(RegistryPolicy, KeepsGuiWritesUnderItsPrefixesAndOffTheServiceKey) {
    const RegistryPolicy off{false, {}};
    const RegistryPolicy on{true, {"SOFTWARE\\Quorvane\\", "bad\\..\\prefix", "", "SYSTEM"}};
    const struct {
        const char* path;
        PolicyVerdict verdict;
    } cases[] = {
        {"SOFTWARE\\Quorvane", PolicyVerdict::Allowed},
        {"software\\QUORVANE\\Sub\\Key", PolicyVerdict::Allowed},
        {"SOFTWARE\\QuorvaneX", PolicyVerdict::OutsidePrefixes},
        {"SOFTWARE", PolicyVerdict::OutsidePrefixes},
        {"bad\\prefix", PolicyVerdict::OutsidePrefixes},
        {"SOFTWARE\\Quorvane\\..\\..\\SYSTEM\\X", PolicyVerdict::BadPath},
        {"SOFTWARE\\Quorvane\\.", PolicyVerdict::BadPath},
        {"SOFTWARE\\Quorvane\\", PolicyVerdict::BadPath},
        {"\\SOFTWARE\\Quorvane", PolicyVerdict::BadPath},
        {"SOFTWARE\\\\Quorvane", PolicyVerdict::BadPath},
        {"SOFTWARE\\Quorvane \\X", PolicyVerdict::BadPath},
        {"SOFTWARE\\Quorvane\\X.", PolicyVerdict::BadPath},
        {"SOFTWARE\\Quorvane\\\xC9t\xE9", PolicyVerdict::BadPath},
        {"SOFTWARE\\Quorvane\\a\tb", PolicyVerdict::BadPath},
        {"", PolicyVerdict::BadPath},
        {"SYSTEM\\CurrentControlSet\\Services\\OrxIke Starter\\Parameters", PolicyVerdict::ServiceKey},
        {"system\\controlset002\\SERVICES\\orxike starter", PolicyVerdict::ServiceKey},
        {"SYSTEM\\Select", PolicyVerdict::ServiceKey},
        {"SYSTEM\\CurrentControlSet\\Services\\Other", PolicyVerdict::Allowed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.verdict, JudgeRequest(on, c.path, "Value")) << c.path;
        EXPECT_EQ(PolicyVerdict::Allowed, JudgeRequest(off, c.path, "Value")) << c.path;
    }
    EXPECT_EQ(PolicyVerdict::OutsidePrefixes, JudgeRequest({true, {}}, "SOFTWARE\\X", "Value"));
}

// An administrator lists the daemon's App Paths key (the GUI keeps settings
// there), or a parent of it, or the values themselves: the values the
// service launches from and writes to stay out of reach, however they are
// spelt. Its other values follow the entries.
TEST(RegistryPolicy, NeverLetsAGuiChangeWhatTheServiceLaunchesOrWhereItWrites) {
    const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";
    const std::string wow64 = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";
    const RegistryPolicy broad{true, {"SOFTWARE", appPaths + "\\", appPaths + "|Path", appPaths + "|"}};
    const std::string spellings[] = {appPaths, "software\\MICROSOFT\\windows\\currentversion\\app paths\\ORXIKE.EXE",
                                     wow64};
    for (const std::string& key : spellings) {
        for (const char* name : {"Path", "NgPath", "IkeV2", "IkeStart", "LogPath", "", "PATH", "logpath"}) {
            EXPECT_EQ(PolicyVerdict::ProtectedValue, JudgeRequest(broad, key, name)) << key << "|" << name;
        }
        EXPECT_EQ(PolicyVerdict::Allowed, JudgeRequest(broad, key, "GuiSettings")) << key;
        EXPECT_EQ(PolicyVerdict::Allowed, JudgeRequest(broad, key, "Path ")) << "another value than Path";
    }
    for (const std::string& trick : {appPaths + "\\", appPaths + "\\.", appPaths + "\\..\\orxike.exe",
                                     appPaths + ".", appPaths + " ", "\\" + appPaths, appPaths + "\\\\"}) {
        EXPECT_EQ(PolicyVerdict::BadPath, JudgeRequest(broad, trick, "Path")) << trick;
    }
    for (const char* alias : {"\xFDkeV2", "Ik\xE9Start", "Path\t", "Log\nPath"}) {  // a dotless i folds to I
        EXPECT_EQ(PolicyVerdict::BadPath, JudgeRequest(broad, appPaths, alias)) << alias;
    }
    EXPECT_EQ(PolicyVerdict::Allowed, JudgeRequest(broad, appPaths + "\\Sub", "Path")) << "a key the service never reads";
    EXPECT_EQ(PolicyVerdict::Allowed, JudgeRequest({false, {}}, appPaths, "Path")) << "no policy, no protection";
}

// "KEY|VALUE" covers that one value of that one key; the value's name is
// compared as the registry does (ASCII case ignored), whole.
TEST(RegistryPolicy, AnEntryMayNameOneValue) {
    const RegistryPolicy policy{true, {"SOFTWARE\\Vendor\\|Theme", "SOFTWARE\\Other|", "bad\\..\\key|Value"}};
    const struct {
        const char* key;
        const char* value;
        PolicyVerdict verdict;
    } cases[] = {
        {"SOFTWARE\\Vendor", "Theme", PolicyVerdict::Allowed},
        {"software\\vendor", "THEME", PolicyVerdict::Allowed},
        {"SOFTWARE\\Vendor", "Theme2", PolicyVerdict::OutsidePrefixes},
        {"SOFTWARE\\Vendor", "", PolicyVerdict::OutsidePrefixes},
        {"SOFTWARE\\Vendor\\Sub", "Theme", PolicyVerdict::OutsidePrefixes},
        {"SOFTWARE", "Theme", PolicyVerdict::OutsidePrefixes},
        {"SOFTWARE\\Other", "", PolicyVerdict::Allowed},
        {"SOFTWARE\\Other", "Value", PolicyVerdict::OutsidePrefixes},
        {"bad\\key", "Value", PolicyVerdict::OutsidePrefixes},
    };
    for (const auto& c : cases) EXPECT_EQ(c.verdict, JudgeRequest(policy, c.key, c.value)) << c.key << "|" << c.value;
}

TEST(RegistryPolicy, MultiSzEndsAtItsFirstEmptyEntry) {
    const std::string full("A\\B\0C\0\0", 7), unterminated("A\0B", 3), hidden("A\0\0B\0\0", 6), empty("\0", 1);
    EXPECT_THAT(ParseMultiSz(full.data(), full.size()), ElementsAre("A\\B", "C"));
    EXPECT_THAT(ParseMultiSz(unterminated.data(), unterminated.size()), ElementsAre("A", "B"));
    EXPECT_THAT(ParseMultiSz(hidden.data(), hidden.size()), ElementsAre("A"));
    EXPECT_TRUE(ParseMultiSz(empty.data(), empty.size()).empty());
}

TEST(RegistryRequest, SplitsAtTheFirstBarAndKnowsTheRunKeyByItsExactName) {
    RegistryTarget target;
    ASSERT_EQ(RequestProblem::None, ParseRegistryTarget("SOFTWARE\\X|Value|More", 22, target));
    EXPECT_EQ("SOFTWARE\\X", target.keyPath);
    EXPECT_EQ("Value|More", target.valueName);
    EXPECT_TRUE(IsRunKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    EXPECT_FALSE(IsRunKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run"));
}

TEST(PanelPassword, HashesTheTextWithOneZeroAndRefusesWhatHasNoEndOrDoesNotFit) {
    using namespace gui_panel;
    const struct {
        std::string field;
        PasswordProblem problem;
        size_t length;
    } cases[] = {
        {std::string("abc\0\0", 5), PasswordProblem::None, 4},
        {std::string("a\0b\0\0\0", 6), PasswordProblem::None, 4},  // UTF-16LE "ab"
        {std::string(4, '\0'), PasswordProblem::None, 1},
        {std::string(31, 'x') + std::string(2, '\0'), PasswordProblem::None, 32},
        {std::string(32, 'x') + std::string(2, '\0'), PasswordProblem::TooLong, 0},
        {std::string(255, 'x') + std::string(1, '\0'), PasswordProblem::NoEnd, 0},
        {std::string("a\0b\0c\0d", 7), PasswordProblem::NoEnd, 0},
    };
    for (const auto& c : cases) {
        size_t length = 99;
        const auto* bytes = reinterpret_cast<const unsigned char*>(c.field.data());
        EXPECT_EQ(c.problem, HashedPasswordLength(bytes, c.field.size(), length)) << c.field.size();
        EXPECT_EQ(c.length, length);
    }
    unsigned char salt[kSaltSize];
    for (size_t i = 0; i < sizeof salt; ++i) salt[i] = static_cast<unsigned char>(0x80 + i);
    unsigned char input[kHashInputSize];
    ASSERT_EQ(36u, ComposeHashInput(reinterpret_cast<const unsigned char*>("abc"), 4, salt, input));
    EXPECT_EQ(0, std::memcmp(input, "abc", 4));
    EXPECT_EQ(0, std::memcmp(input + 4, salt, sizeof salt));
}

// Whatever the hash function returned: a digest it never wrote stays zero
// and opens nothing, nor does a stored digest of zeros (no password).
TEST(PanelPassword, OnlyAMatchingDigestThatIsNotAllZeroOpensThePanel) {
    using namespace gui_panel;
    unsigned char stored[kDigestSize], computed[kDigestSize], zero[kDigestSize] = {};
    for (size_t i = 0; i < kDigestSize; ++i) stored[i] = computed[i] = static_cast<unsigned char>(i + 1);
    EXPECT_TRUE(DigestOpensPanel(computed, stored));
    computed[kDigestSize - 1] ^= 1;
    EXPECT_FALSE(DigestOpensPanel(computed, stored));
    EXPECT_FALSE(DigestOpensPanel(zero, stored));
    EXPECT_FALSE(DigestOpensPanel(zero, zero));
}

TEST(ConfigRequest, OperationsResultLinesAndImportNames) {
    using namespace gui_config;
    const ConfCall calls[] = {ConfCall::Load,   ConfCall::Save, ConfCall::Update, ConfCall::Import,
                              ConfCall::None,   ConfCall::Save, ConfCall::Update, ConfCall::None};
    for (uint32_t operation = 0; operation < 8; ++operation) {
        EXPECT_EQ(calls[operation], RuleForOperation(operation).call) << operation;
    }
    const char* label = RuleForOperation(0).label;
    EXPECT_EQ("", ResultTraceLine(label, 0));
    EXPECT_EQ("", ResultTraceLine(label, kResultGuiNotStarted));
    EXPECT_EQ("\t\tOnConfRequest OPCONF_LOAD return CONF_CANNOTOPEN", ResultTraceLine(label, 2));
    EXPECT_EQ("\t\tOnConfRequest OPCONF_LOAD return CONF_WRONGFORMAT", ResultTraceLine(label, 49));
    EXPECT_EQ("\t\tOnConfRequest OPCONF_LOAD return unknown error ==> 7", ResultTraceLine(label, 7));

    const std::string longName = "name=" + std::string(300, 'n');
    const std::string unterminated = "=" + std::string(659, 'u');
    const struct {
        std::string data;
        std::string name;
    } names[] = {{"name=Office|C:\\cfg.txt", "Office"}, {"a|b=c|d", "c"},  {"name=Open", "Open"},
                 {"name=|x", ""},                       {"no equals sign", "<Unknown>"},
                 {longName, std::string(255, 'n')},     {unterminated, std::string(255, 'u')}};
    for (const auto& n : names) EXPECT_EQ(n.name, ImportName(n.data.data(), n.data.size())) << n.data;
}

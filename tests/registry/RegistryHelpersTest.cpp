// Registry helpers against the prefix's registry, with their trace lines.
#include "DebugCapture.h"
#include "DebugTrace.h"
#include "TestSupport.h"
#include "tools.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testing_support::DebugOutputCapture;

namespace {

class RegistryHelpers : public ::testing::Test {
protected:
    RegistryHelpers() : base_("SOFTWARE\\OrxTest\\RegHelpers" + std::to_string(GetCurrentProcessId())) {
        SetDebugTraceFlags(TRACE_TO_DEBUGGER);
    }
    ~RegistryHelpers() override {
        SetDebugTraceFlags(0);
        testing_support::DeleteRegTree(HKEY_LOCAL_MACHINE, base_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxTest");  // only once empty
    }

    // The messages of this process's service trace lines, in order.
    std::vector<std::string> Lines() {
        capture_.Settle();
        std::vector<std::string> lines;
        for (const std::string& text : capture_.TextsFrom(GetCurrentProcessId())) {
            if (text.find("[VPNSTARTER64]") == std::string::npos) continue;
            std::string line = text.substr(text.find(") ") + 2);
            if (!line.empty() && line.back() == '\n') line.pop_back();
            lines.push_back(line);
        }
        capture_.Clear();
        return lines;
    }

    static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
        for (const auto& l : lines) {
            if (l == line) return true;
        }
        return false;
    }

    const std::string& Base() const { return base_; }

    bool SetBinary(const std::string& name, size_t size) {
        std::vector<uint8_t> data(size);
        for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>('A' + i % 26);
        return testing_support::SetRegBinary(HKEY_LOCAL_MACHINE, base_, name, data);
    }

private:
    std::string base_;
    DebugOutputCapture capture_;
};

// Reads a value with its type, as stored.
bool ReadValue(HKEY root, const std::string& key, const char* name, DWORD& type, std::string& data) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    const LONG rc = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    data.assign(buffer, size);
    return rc == ERROR_SUCCESS;
}

bool AllEqual(const unsigned char* bytes, size_t size, unsigned char value) {
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != value) return false;
    }
    return true;
}

}  // namespace

TEST_F(RegistryHelpers, GetRegParamTakesValuesThatFitBothBuffers) {
    ASSERT_TRUE(SetBinary("empty", 0));
    ASSERT_TRUE(SetBinary("eight", 8));
    ASSERT_TRUE(SetBinary("nine", 9));
    ASSERT_TRUE(SetBinary("full", 260));
    ASSERT_TRUE(SetBinary("over", 261));
    unsigned char buffer[300];
    DWORD size = 8;

    std::memset(buffer, 0xAA, sizeof buffer);
    EXPECT_TRUE(GetRegParam(Base().c_str(), "empty", buffer, &size));
    EXPECT_TRUE(AllEqual(buffer, 8, 0));
    EXPECT_EQ(0xAA, buffer[8]);  // only the caller's size is touched

    EXPECT_TRUE(GetRegParam(Base().c_str(), "eight", buffer, &size));
    EXPECT_EQ(0, std::memcmp(buffer, "ABCDEFGH", 8));
    EXPECT_EQ(8u, size);  // only read, never updated

    std::memset(buffer, 0xAA, sizeof buffer);
    EXPECT_FALSE(GetRegParam(Base().c_str(), "nine", buffer, &size));
    EXPECT_TRUE(AllEqual(buffer, 8, 0));

    size = sizeof buffer;
    EXPECT_TRUE(GetRegParam(Base().c_str(), "full", buffer, &size));
    EXPECT_EQ('A' + 259 % 26, buffer[259]);
    std::memset(buffer, 0xAA, sizeof buffer);
    EXPECT_FALSE(GetRegParam(Base().c_str(), "over", buffer, &size));
    EXPECT_TRUE(AllEqual(buffer, sizeof buffer, 0));

    const auto lines = Lines();
    EXPECT_TRUE(Contains(lines, "=> GetRegParam pKey " + Base() + ", pSubkey eight"));
    EXPECT_TRUE(Contains(lines, "GetRegParam SubKey value ABCDEFGH valuelen 8"));
    EXPECT_TRUE(Contains(lines, "GetRegParam SubKey value  valuelen 0"));
}

TEST_F(RegistryHelpers, GetRegParamRefusesMissingKeysValuesAndBuffers) {
    unsigned char buffer[16];
    DWORD size = sizeof buffer;
    const std::string missing = Base() + "\\missing";
    EXPECT_FALSE(GetRegParam(missing.c_str(), "v", buffer, &size));
    EXPECT_EQ((std::vector<std::string>{"=> GetRegParam pKey " + missing + ", pSubkey v",
                                        "<= GetRegParam error opening key " + missing + ", pSubkey v"}),
              Lines());

    ASSERT_TRUE(SetBinary("present", 2));
    EXPECT_FALSE(GetRegParam(Base().c_str(), "absent", buffer, &size));
    Lines();
    EXPECT_FALSE(GetRegParam(Base().c_str(), "present", nullptr, &size));
    EXPECT_TRUE(Lines().empty());
}

class RegistryHelpersUnderRoot : public RegistryHelpers, public ::testing::WithParamInterface<HKEY> {
protected:
    // HKEY_CLASSES_ROOT keys live at its top level; HKLM ones under the test's base.
    std::string Top() const {
        return GetParam() == HKEY_CLASSES_ROOT ? "OrxTest.RegHelpers" + std::to_string(GetCurrentProcessId())
                                               : Base();
    }
    std::string KeyPath(const std::string& leaf) const { return Top() + "\\" + leaf; }
    ~RegistryHelpersUnderRoot() override { testing_support::DeleteRegTree(GetParam(), Top()); }
    bool Exists(const std::string& path) { return WalkKey(path, false); }
    bool MakeKey(const std::string& path) { return WalkKey(path, true); }

private:
    // One level at a time: Wine refuses a single call with a long path.
    bool WalkKey(const std::string& path, bool create) {
        HKEY parent = GetParam();
        size_t start = 0;
        bool ok = true;
        while (ok && start < path.size()) {
            size_t end = path.find('\\', start);
            if (end == std::string::npos) end = path.size();
            const std::string level = path.substr(start, end - start);
            HKEY child = nullptr;
            ok = (create ? RegCreateKeyExA(parent, level.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                                           nullptr)
                         : RegOpenKeyExA(parent, level.c_str(), 0, KEY_READ, &child)) == ERROR_SUCCESS;
            if (parent != GetParam()) RegCloseKey(parent);
            parent = ok ? child : GetParam();
            start = end + 1;
        }
        if (parent != GetParam()) RegCloseKey(parent);
        return ok;
    }
};

TEST_P(RegistryHelpersUnderRoot, SetRegParamCreatesTheMissingPathAndStoresExactBytes) {
    const std::string key = KeyPath("one\\two\\three");
    EXPECT_TRUE(SetRegParam(GetParam(), key.c_str(), "Flag", "abc", 3));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue(GetParam(), key, "Flag", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("abc", 3), data.substr(0, 3));
    auto lines = Lines();
    EXPECT_EQ((std::vector<std::string>{"SetRegParam pKey = " + key + ", pSubKey = Flag, pSubKeyValue = abc",
                                        "SetRegParam ERROR_FILE_NOT_FOUND create subkey"}),
              lines);

    // The key exists now: no creation, and the default value traced as "Default".
    EXPECT_TRUE(SetRegParam(GetParam(), key.c_str(), nullptr, "xyz!", 3));
    ASSERT_TRUE(ReadValue(GetParam(), key, nullptr, type, data));
    EXPECT_EQ(std::string("xyz", 3), data.substr(0, 3));
    EXPECT_EQ(std::vector<std::string>{"SetRegParam pKey = " + key + ", pSubKey = Default, pSubKeyValue = xyz"},
              Lines());

    EXPECT_FALSE(SetRegParam(GetParam(), key.c_str(), "Flag", nullptr, 3));
}

TEST_P(RegistryHelpersUnderRoot, DelRegNodeOfAMissingKeySucceeds) {
    const std::string key = KeyPath("never");
    EXPECT_TRUE(DelRegNode(GetParam(), key.c_str()));
    EXPECT_EQ((std::vector<std::string>{"=> DelRegNode " + key, "=> DelRegNodeRecurse " + key,
                                        "<= DelRegNodeRecurse key not found return TRUE", "<= DelRegNode"}),
              Lines());
}

TEST_P(RegistryHelpersUnderRoot, DelRegNodeDeletesALeafAtTheFirstAttempt) {
    const std::string key = KeyPath("leaf");
    ASSERT_TRUE(MakeKey(key));
    EXPECT_TRUE(DelRegNode(GetParam(), key.c_str()));
    EXPECT_FALSE(Exists(key));
    EXPECT_EQ((std::vector<std::string>{"=> DelRegNode " + key, "=> DelRegNodeRecurse " + key,
                                        "<= DelRegNodeRecurse No child return TRUE", "<= DelRegNode"}),
              Lines());
}

TEST_P(RegistryHelpersUnderRoot, DelRegNodeRemovesATreeDeepestFirst) {
    const std::string key = KeyPath("tree");
    ASSERT_TRUE(MakeKey(key + "\\a\\b\\c"));
    ASSERT_TRUE(MakeKey(key + "\\a\\d"));
    ASSERT_TRUE(MakeKey(key + "\\e"));
    EXPECT_TRUE(DelRegNode(GetParam(), key.c_str()));
    EXPECT_FALSE(Exists(key));
    EXPECT_EQ((std::vector<std::string>{
                  "=> DelRegNode " + key,
                  "=> DelRegNodeRecurse " + key,
                  "=> DelRegNodeRecurse " + key + "\\a",
                  "=> DelRegNodeRecurse " + key + "\\a\\b",
                  "=> DelRegNodeRecurse " + key + "\\a\\b\\c",
                  "<= DelRegNodeRecurse No child return TRUE",
                  "<= DelRegNodeRecurse return TRUE",
                  "=> DelRegNodeRecurse " + key + "\\a\\d",
                  "<= DelRegNodeRecurse No child return TRUE",
                  "<= DelRegNodeRecurse return TRUE",
                  "=> DelRegNodeRecurse " + key + "\\e",
                  "<= DelRegNodeRecurse No child return TRUE",
                  "<= DelRegNodeRecurse return TRUE",
                  "<= DelRegNode",
              }),
              Lines());
}

TEST_P(RegistryHelpersUnderRoot, DelRegNodeStopsAtAChildWhosePathDoesNotFit) {
    const std::string key = KeyPath("long");
    const std::string longChild = key + "\\" + std::string(260 - key.size(), 'z');  // 260 characters and more
    ASSERT_TRUE(MakeKey(key + "\\a"));
    ASSERT_TRUE(MakeKey(longChild));
    EXPECT_FALSE(DelRegNode(GetParam(), key.c_str()));
    EXPECT_FALSE(Exists(key + "\\a"));  // deleted before the long one was reached
    EXPECT_TRUE(Exists(longChild));
    const auto lines = Lines();
    EXPECT_TRUE(Contains(lines, "Buffer truncated, operation cancelled"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("<= DelRegNodeRecurse return FALSE", lines[lines.size() - 2]);
}

TEST_P(RegistryHelpersUnderRoot, DelRegNodeRefusesPathsItCannotHoldWithoutTouchingThem) {
    const std::string key = KeyPath("deep");
    const std::string deepLeaf = key + "\\" + std::string(150, 'p') + "\\" + std::string(150, 'q');
    ASSERT_TRUE(MakeKey(deepLeaf));
    EXPECT_FALSE(DelRegNode(GetParam(), deepLeaf.c_str()));
    EXPECT_TRUE(Exists(deepLeaf));
    EXPECT_TRUE(Contains(Lines(), "Buffer truncated, operation cancelled"));

    EXPECT_FALSE(DelRegNode(GetParam(), ""));  // would name the root itself
    EXPECT_TRUE(Exists(key));
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryHelpersUnderRoot, ::testing::Values(HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT),
                         [](const ::testing::TestParamInfo<HKEY>& info) {
                             return info.param == HKEY_CLASSES_ROOT ? "ClassesRoot" : "LocalMachine";
                         });

TEST(RegToolsText, PathBufferHoldsAtMost259CharactersWithTheSeparator) {
    char buffer[REG_HELPER_BUFFER_SIZE];
    EXPECT_EQ(259u, reg_tools::PathWithSeparator(std::string(258, 'k').c_str(), buffer, sizeof buffer));
    EXPECT_EQ(0u, reg_tools::PathWithSeparator(std::string(259, 'k').c_str(), buffer, sizeof buffer));
    EXPECT_EQ(259u, reg_tools::PathWithSeparator((std::string(258, 'k') + "\\").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(4u, reg_tools::PathWithSeparator("abc", buffer, sizeof buffer));
    EXPECT_STREQ("abc\\", buffer);
    EXPECT_TRUE(reg_tools::AppendChildName(buffer, sizeof buffer, 4, std::string(255, 'c').c_str()));
    EXPECT_FALSE(reg_tools::AppendChildName(buffer, sizeof buffer, 4, std::string(256, 'c').c_str()));

    char shown[8];
    reg_tools::PrintableValue("abcdefghij", 3, shown, sizeof shown);
    EXPECT_STREQ("abc", shown);
    reg_tools::PrintableValue("abcdefghij", 10, shown, sizeof shown);
    EXPECT_STREQ("abcdefg", shown);
}

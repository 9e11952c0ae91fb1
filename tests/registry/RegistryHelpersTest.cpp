// Registry helpers against the prefix's registry, with their trace lines,
// under HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT.
#include "tests/support/DebugCapture.h"
#include "orxstarter/trace/DebugTrace.h"
#include "tests/support/TestSupport.h"
#include "sysdep/WinHandles.h"
#include "orxstarter/tools/tools.h"

#include <gmock/gmock.h>

#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using Lines = std::vector<std::string>;
using ::testing::Contains;

namespace {

// The test's keys live below a key of its own: at the top of
// HKEY_CLASSES_ROOT, below SOFTWARE in HKEY_LOCAL_MACHINE.
class RegistryHelpers : public ::testing::TestWithParam<HKEY> {
protected:
    RegistryHelpers() { SetDebugTraceFlags(TRACE_TO_DEBUGGER); }
    ~RegistryHelpers() override {
        SetDebugTraceFlags(0);
        testing_support::DeleteRegTree(Root(), top_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxTest");  // only once empty
    }

    HKEY Root() const { return GetParam(); }
    std::string KeyPath(const std::string& leaf) const { return top_ + "\\" + leaf; }

    // The messages of this process's service trace lines since the last call.
    Lines Trace() {
        const Lines lines = capture_.TraceMessages("[VPNSTARTER64]");
        capture_.Clear();
        return lines;
    }

    // One level at a time: Wine refuses a single call with a long path.
    bool WalkKey(const std::string& path, bool create) {
        orx::UniqueHKey key;
        std::istringstream levels(path);
        for (std::string level; std::getline(levels, level, '\\');) {
            orx::UniqueHKey child;
            const HKEY parent = key ? key.get() : Root();
            if ((create ? RegCreateKeyExA(parent, level.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, child.put(),
                                          nullptr)
                        : RegOpenKeyExA(parent, level.c_str(), 0, KEY_READ, child.put())) != ERROR_SUCCESS) {
                return false;
            }
            key = std::move(child);
        }
        return true;
    }
    bool Exists(const std::string& path) { return WalkKey(path, false); }
    bool MakeKey(const std::string& path) { return WalkKey(path, true); }

    const std::string top_ = std::string(GetParam() == HKEY_CLASSES_ROOT ? "" : "SOFTWARE\\OrxTest\\") +
                             "OrxTest.RegHelpers" + std::to_string(GetCurrentProcessId());

private:
    testing_support::DebugOutputCapture capture_;
};

}  // namespace

TEST_P(RegistryHelpers, GetRegParamTakesOnlyValuesThatFitBothItsOwnAndTheCallersBuffer) {
    if (Root() != HKEY_LOCAL_MACHINE) GTEST_SKIP() << "GetRegParam reads below HKEY_LOCAL_MACHINE only";
    // Value name, stored size, the caller's size, whether it is taken.
    const std::tuple<const char*, size_t, DWORD, bool> cases[] = {
        {"empty", 0, 8, true}, {"exact", 8, 8, true}, {"oneMore", 9, 8, false}, {"full", 260, 300, true},
        {"over", 261, 300, false}};
    for (const auto& [name, storedSize, callerSize, taken] : cases) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> stored(storedSize);
        for (size_t i = 0; i < storedSize; ++i) stored[i] = static_cast<uint8_t>('A' + i % 26);
        ASSERT_TRUE(testing_support::SetRegBinary(HKEY_LOCAL_MACHINE, top_, name, stored));
        std::vector<uint8_t> buffer(callerSize + 1, 0xAA);
        DWORD size = callerSize;
        EXPECT_EQ(taken, GetRegParam(top_.c_str(), name, buffer.data(), &size));
        EXPECT_EQ(callerSize, size);  // only read, never updated
        // Zeroed over the caller's size, filled only when taken, nothing beyond.
        if (!taken) stored.clear();
        stored.resize(callerSize, 0);
        stored.push_back(0xAA);
        EXPECT_EQ(stored, buffer);
    }
    const Lines lines = Trace();
    EXPECT_THAT(lines, Contains("=> GetRegParam pKey " + top_ + ", pSubkey exact"));
    EXPECT_THAT(lines, Contains("GetRegParam SubKey value ABCDEFGH valuelen 8"));
    EXPECT_THAT(lines, Contains("GetRegParam SubKey value  valuelen 0"));

    unsigned char buffer[16];
    DWORD size = sizeof buffer;
    const std::string missing = KeyPath("missing");
    EXPECT_FALSE(GetRegParam(missing.c_str(), "v", buffer, &size));
    EXPECT_FALSE(GetRegParam(top_.c_str(), "exact", nullptr, &size));  // not traced
    EXPECT_EQ((Lines{"=> GetRegParam pKey " + missing + ", pSubkey v",
                     "<= GetRegParam error opening key " + missing + ", pSubkey v"}),
              Trace());
}

TEST_P(RegistryHelpers, SetRegParamCreatesTheMissingPathAndStoresExactBytes) {
    const std::string key = KeyPath("one\\two\\three");
    // "<type>:<bytes>" as stored.
    const auto stored = [&](const char* value) {
        orx::UniqueHKey handle;
        char data[16] = {};
        DWORD type = 0, size = sizeof data;
        RegOpenKeyExA(Root(), key.c_str(), 0, KEY_READ, handle.put());
        RegQueryValueExA(handle.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        return std::to_string(type) + ":" + std::string(data, size);
    };
    // The byte after the counted ones is not a NUL: the system would count
    // one in for the caller.
    EXPECT_TRUE(SetRegParam(Root(), key.c_str(), "Flag", "abc!", 3));
    EXPECT_EQ("1:abc", stored("Flag"));
    EXPECT_EQ((Lines{"SetRegParam pKey = " + key + ", pSubKey = Flag, pSubKeyValue = abc",
                     "SetRegParam ERROR_FILE_NOT_FOUND create subkey"}),
              Trace());
    // The key exists now: no creation, and the default value traced as "Default".
    EXPECT_TRUE(SetRegParam(Root(), key.c_str(), nullptr, "xyz!", 3));
    EXPECT_EQ("1:xyz", stored(nullptr));
    EXPECT_EQ(Lines{"SetRegParam pKey = " + key + ", pSubKey = Default, pSubKeyValue = xyz"}, Trace());
    EXPECT_FALSE(SetRegParam(Root(), key.c_str(), "Flag", nullptr, 3));
}

// A leaf goes with the first delete, before any open; a tree goes deepest
// first; a key that is not there is not an error.
TEST_P(RegistryHelpers, DelRegNodeRemovesLeavesAtOnceAndTreesDeepestFirst) {
    const std::string key = KeyPath("tree");
    ASSERT_TRUE(MakeKey(key + "\\a\\b\\c") && MakeKey(key + "\\a\\d") && MakeKey(key + "\\e"));
    const auto enter = [&](const std::string& child) { return "=> DelRegNodeRecurse " + key + child; };
    const std::string leaf = "<= DelRegNodeRecurse No child return TRUE", done = "<= DelRegNodeRecurse return TRUE";
    const std::pair<std::string, Lines> cases[] = {
        {key + "\\e", {"=> DelRegNode " + key + "\\e", enter("\\e"), leaf, "<= DelRegNode"}},
        {key,
         {"=> DelRegNode " + key, enter(""), enter("\\a"), enter("\\a\\b"), enter("\\a\\b\\c"), leaf, done,
          enter("\\a\\d"), leaf, done, done, "<= DelRegNode"}},
        {key, {"=> DelRegNode " + key, enter(""), "<= DelRegNodeRecurse key not found return TRUE", "<= DelRegNode"}},
    };
    for (const auto& [path, lines] : cases) {
        EXPECT_TRUE(DelRegNode(Root(), path.c_str()));
        EXPECT_FALSE(Exists(path));
        EXPECT_EQ(lines, Trace());
    }
}

// A path of 259 characters fits the buffer but its children's paths cannot:
// as a leaf it is deleted, with children it stays. A child's path of 260 is
// refused the same way, and the parent stays.
TEST_P(RegistryHelpers, DelRegNodeGoesAsFarAsItsPathBufferReaches) {
    const std::string key = KeyPath("long");
    const std::string leaf = key + "\\" + std::string(258 - key.size(), 'z');
    ASSERT_EQ(259u, leaf.size());
    ASSERT_TRUE(MakeKey(leaf));
    EXPECT_TRUE(DelRegNode(Root(), leaf.c_str()));
    EXPECT_FALSE(Exists(leaf));

    ASSERT_TRUE(MakeKey(leaf + "\\c") && MakeKey(key + "\\a"));
    EXPECT_FALSE(DelRegNode(Root(), leaf.c_str()));
    EXPECT_FALSE(DelRegNode(Root(), key.c_str()));
    EXPECT_FALSE(Exists(key + "\\a"));  // what fits goes
    EXPECT_TRUE(Exists(leaf + "\\c"));
    Lines lines = Trace();
    EXPECT_THAT(lines, Contains("Buffer truncated, operation cancelled"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("<= DelRegNodeRecurse return FALSE", lines[lines.size() - 2]);

    // A path given longer, or an empty one (the root itself), is refused
    // before anything is touched.
    const std::string deepLeaf = KeyPath("deep\\" + std::string(150, 'p') + "\\" + std::string(150, 'q'));
    ASSERT_TRUE(MakeKey(deepLeaf));
    EXPECT_FALSE(DelRegNode(Root(), deepLeaf.c_str()));
    EXPECT_TRUE(Exists(deepLeaf));
    EXPECT_FALSE(DelRegNode(Root(), ""));
    EXPECT_TRUE(Exists(top_));
}

namespace {

// Deletes like RegDeleteKeyExA, but only reports the deletion of a key whose
// path ends with `g_stuck`, as with a registry link whose target is missing.
const char* g_stuck = "";
LONG WINAPI DeleteAllBut(HKEY root, LPCSTR path, REGSAM view, DWORD reserved) {
    const size_t length = std::strlen(path), stuck = std::strlen(g_stuck);
    if (length >= stuck && _stricmp(path + length - stuck, g_stuck) == 0) return ERROR_SUCCESS;
    return RegDeleteKeyExA(root, path, view, reserved);
}

}  // namespace

// A child that enumeration keeps listing is skipped: the others go, the
// parent stays, and the loop ends.
TEST_P(RegistryHelpers, DelRegNodeRecurseSkipsAChildThatDoesNotGoAway) {
    const std::string key = KeyPath("stuck");
    ASSERT_TRUE(MakeKey(key + "\\a") && MakeKey(key + "\\m\\deeper") && MakeKey(key + "\\z"));
    g_stuck = "\\m";
    EXPECT_FALSE(DelRegNodeRecurse(DeleteAllBut, Root(), key.c_str()));
    EXPECT_FALSE(Exists(key + "\\a") || Exists(key + "\\z"));
    EXPECT_TRUE(Exists(key + "\\m\\deeper"));
    EXPECT_THAT(Trace(), Contains("   DelRegNodeRecurse " + key + "\\m did not go away, skipped"));
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryHelpers, ::testing::Values(HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT),
                         [](const ::testing::TestParamInfo<HKEY>& info) {
                             return info.param == HKEY_CLASSES_ROOT ? "ClassesRoot" : "LocalMachine";
                         });

// Profstore.dll through its import library, as the service calls it: the
// store under the log data directory of a LogPath of its own, the call
// journal, the injected failures, the digest and the record release.
#include "profstore/Profstore.h"
#include "sysdep/sysdep.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace testing_support;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class Profstore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(logPath_.SetString(kLogPathRoot + std::string("\\Store") + std::to_string(GetCurrentProcessId())));
        char dir[MAX_PATH] = {};
        ASSERT_TRUE(GetLogDataDir(dir, sizeof dir));
        dataDir_ = dir;
        rootDir_ = dataDir_.substr(0, dataDir_.rfind('\\'));
    }
    void TearDown() override { RemoveTree(rootDir_); }

    std::string StoreText() const { return ReadFileBytes(dataDir_ + "\\vpnconfig.cfg"); }
    std::string Journal() const { return ReadFileBytes(dataDir_ + "\\profstore-calls.log"); }
    // A file in the import folder; its name.
    std::string WriteSource(const std::string& text, const std::string& name = "source.cfg") const {
        CreateDirectoryA(ImportDir().c_str(), nullptr);
        EXPECT_TRUE(WriteFileBytes(ImportDir() + "\\" + name, text));
        return name;
    }
    std::string ImportDir() const { return dataDir_ + "\\Import"; }
    static int Load(uint32_t argL, uint32_t argA, std::string data) {
        data.resize(PROFSTORE_DATA_SIZE);  // the request's data block, zero-padded
        return VPNConfLoad(argL, argA, data.data());
    }

    static constexpr const char* kLogPathRoot = "OrxStandinTest";
    ScopedRegValue logPath_{HKEY_LOCAL_MACHINE, kAppPathsKey, "LogPath"};
    std::string dataDir_, rootDir_;
};

}  // namespace

// Nothing stored yet: load fails with CONF_CANNOTOPEN, save with
// CONF_CANNOTFIND. A bad import changes nothing; a good one becomes the
// store, which a save records its arguments in and a load reads back.
TEST_F(Profstore, ImportSaveLoadRoundTripAndItsFailures) {
    EXPECT_EQ(0, VPNConfLoad(1, 1, nullptr));
    EXPECT_EQ(uint32_t(CONF_CANNOTOPEN), VPNConfGetLastError());
    EXPECT_EQ(0, VPNConfSave(2, 1, 1));
    EXPECT_EQ(uint32_t(CONF_CANNOTFIND), VPNConfGetLastError());
    EXPECT_EQ(0, Load(0, 1, "name=Home|missing.cfg"));
    EXPECT_EQ(uint32_t(CONF_CANNOTOPEN), VPNConfGetLastError());
    EXPECT_EQ(0, Load(0, 1, "Home|C:\\x.cfg"));
    EXPECT_EQ(uint32_t(CONF_WRONGFORMAT), VPNConfGetLastError());
    EXPECT_FALSE(FileExists(dataDir_ + "\\vpnconfig.cfg"));

    const std::string body = "peer=192.0.2.1\r\npsk=secret\r\n";
    const std::string source = WriteSource(body);
    ASSERT_EQ(1, Load(3, 1, "name=Home office|" + source));
    EXPECT_THAT(StoreText(), HasSubstr("#profstore name=Home office\r\n"));
    ASSERT_EQ(1, VPNConfSave(7, 1, 1));
    ASSERT_EQ(1, VPNConfSave(8, 1, 0));
    const std::string stored = StoreText();
    EXPECT_THAT(stored, HasSubstr("#profstore last-save argS=8 argA=1 flag=0 (update) at "));
    EXPECT_EQ(body, stored.substr(stored.size() - body.size()));
    EXPECT_EQ(0, VPNConfSave(8, 1, 2));
    EXPECT_EQ(uint32_t(CONF_WRONGFORMAT), VPNConfGetLastError());
    ASSERT_EQ(1, VPNConfLoad(1, 1, nullptr));
    EXPECT_EQ(stored, StoreText());

    const std::string journal = Journal();
    for (const std::string& line :
         {std::string("VPNConfLoad(1, 1, null) = 0, error 2 CONF_CANNOTOPEN: cannot open "),
          std::string("VPNConfSave(2, 1, 1) = 0, error 15 CONF_CANNOTFIND"),
          "VPNConfLoad(3, 1, \"name=Home office|" + source + "\") = 1", std::string("VPNConfSave(7, 1, 1) = 1"),
          std::string("VPNConfLoad(1, 1, null) = 1"), std::string("VPNConfGetLastError() = 49"),
          std::string("VPNConfLoad(0, 1, <13 bytes>) = 0")}) {
        EXPECT_THAT(journal, HasSubstr(line));
    }
    EXPECT_THAT(journal, Not(HasSubstr("C:\\x.cfg"))) << "data that is no import may be a secret: its length only";

    ASSERT_TRUE(logPath_.Remove());
    EXPECT_EQ(0, VPNConfLoad(1, 1, nullptr));
    EXPECT_EQ(uint32_t(CONF_REG_ERROR), VPNConfGetLastError());
}

// The library runs as LocalSystem for any local user: an import reads a file
// by its plain name from the import folder and nothing else, whatever the
// name tries (a path, a drive, a share, a stream, a device, a link).
TEST_F(Profstore, AnImportReadsOnlyAPlainNameFromTheImportFolder) {
    const std::string outside = dataDir_ + "\\outside.cfg";
    ASSERT_TRUE(WriteFileBytes(outside, "secret=1\r\n"));
    for (const std::string& name :
         {outside, std::string("..\\outside.cfg"), std::string("../outside.cfg"), std::string("sub\\x.cfg"),
          std::string("C:outside.cfg"), std::string("\\\\127.0.0.1\\c$\\x.cfg"), std::string("\\\\?\\C:\\x.cfg"),
          std::string("source.cfg:stream"), std::string("NUL"), std::string("con.cfg"), std::string("COM1"),
          std::string("lpt9.txt"), std::string(".."), std::string("."), std::string("source.cfg."),
          std::string(" source.cfg"), std::string("a*.cfg"), std::string("a?.cfg"), std::string("<x>"),
          std::string(256, 'n')}) {
        EXPECT_EQ(0, Load(3, 1, "name=N|" + name)) << name;
        EXPECT_EQ(uint32_t(CONF_WRONGFORMAT), VPNConfGetLastError()) << name;
    }
    EXPECT_EQ(0, Load(3, 1, "name=N|outside.cfg")) << "no import folder yet";
    EXPECT_EQ(uint32_t(CONF_CANNOTOPEN), VPNConfGetLastError());
    WriteSource("x=1\r\n", "two names.cfg");
    ASSERT_TRUE(CreateHardLinkA((ImportDir() + "\\linked.cfg").c_str(), outside.c_str(), nullptr));
    EXPECT_EQ(0, Load(3, 1, "name=N|linked.cfg")) << "a file with another name outside the folder";
    EXPECT_EQ(uint32_t(CONF_CANNOTOPEN), VPNConfGetLastError());
    EXPECT_FALSE(FileExists(dataDir_ + "\\vpnconfig.cfg")) << "nothing imported";
    EXPECT_EQ(1, Load(3, 1, "name=N|two names.cfg"));
    EXPECT_THAT(StoreText(), HasSubstr("imported from " + ImportDir() + "\\two names.cfg at "));
}

// A library may return anything from VPNCFG_HashBuf with a right digest (its
// callers do not use the result): "HashReturns" makes this one do so.
TEST_F(Profstore, HashReturnsChangesOnlyWhatTheHashReturns) {
    ScopedRegValue hashReturns(HKEY_LOCAL_MACHINE, "SOFTWARE\\OrxStandins\\Profstore", "HashReturns");
    uint8_t expected[32], digest[32] = {};
    ASSERT_EQ(1, VPNCFG_HashBuf("abc", 3, expected, 32));
    ASSERT_TRUE(hashReturns.SetDword(0));
    EXPECT_EQ(0, VPNCFG_HashBuf("abc", 3, digest, 32));
    EXPECT_EQ(0, std::memcmp(expected, digest, sizeof digest));
    EXPECT_EQ(0, VPNCFG_HashBuf("abc", 3, digest, 31)) << "a real failure stays one";
    EXPECT_EQ(uint32_t(CONF_BUFTOOSMALL), VPNConfGetLastError());
    EXPECT_THAT(Journal(), HasSubstr("VPNCFG_HashBuf: digest written, returns 0 as HashReturns asks"));
}

// FailWith/FailCalls: that many calls fail with that code, whatever they
// are, then calls work again and FailCalls reads 0.
TEST_F(Profstore, InjectedFailuresAreTakenOneByOne) {
    const std::string key = "SOFTWARE\\OrxStandins\\Profstore";
    ScopedRegValue failWith(HKEY_LOCAL_MACHINE, key, "FailWith"), failCalls(HKEY_LOCAL_MACHINE, key, "FailCalls");
    ASSERT_TRUE(WriteSource("x=1\r\n").size());
    ASSERT_TRUE(failWith.SetDword(WRONG_PASSWORD) && failCalls.SetDword(2));
    uint8_t digest[32];
    EXPECT_EQ(0, Load(3, 1, "name=N|source.cfg"));
    EXPECT_EQ(0, VPNCFG_HashBuf("abc", 3, digest, 32));
    EXPECT_EQ(uint32_t(WRONG_PASSWORD), VPNConfGetLastError());
    EXPECT_EQ(1, Load(3, 1, "name=N|source.cfg"));
    HKEY handle = nullptr;
    DWORD left = 99, size = sizeof left;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle));
    RegQueryValueExA(handle, "FailCalls", nullptr, nullptr, reinterpret_cast<BYTE*>(&left), &size);
    RegCloseKey(handle);
    EXPECT_EQ(0u, left);
    EXPECT_THAT(Journal(), HasSubstr("= 0, error 11 WRONG_PASSWORD: injected by FailWith, 1 more call(s) to fail"));
}

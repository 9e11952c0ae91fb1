// The test bench's sc.exe and IKEEXT service together, in the prefix's
// service manager: install, start, change the start type, remove.
#include "sysdep/WinHandles.h"
#include "tests/support/InstalledService.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace testing_support;
using ::testing::HasSubstr;

namespace {

bool StartAndWaitRunning(const char* service) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    orx::UniqueScHandle handle(OpenServiceA(manager.get(), service, SERVICE_START));
    if (!handle || !StartServiceA(handle.get(), 0, nullptr)) return false;
    for (int i = 0; i < 100 && ServiceState(service) != SERVICE_RUNNING; ++i) Sleep(50);
    return ServiceState(service) == SERVICE_RUNNING;
}

struct TempDir {
    ~TempDir() { RemoveTree(path); }
    const std::string path = MakeTempDir("sc");
};

}  // namespace

TEST(ScAndIkeext, ScChangesTheStartTypeOfTheInstalledIkeext) {
    ScopedServiceRemoval cleanup("IKEEXT");
    const TempDir temp;
    const std::string& dir = temp.path;
    const std::string sc = "\"" + dir + "\\sc.exe\"";
    ASSERT_TRUE(CopyFileA(BinPath("testonly\\sc.exe").c_str(), (dir + "\\sc.exe").c_str(), FALSE));
    const std::string ikeext = "\"" + BinPath("testonly\\ikeext_standin.exe") + "\"";

    const ProcessResult installed = RunProcess(ikeext + " -install", 10000);
    ASSERT_EQ(0u, installed.exitCode) << installed.output;
    EXPECT_EQ(DWORD(SERVICE_DEMAND_START), ServiceStartType("IKEEXT"));
    ASSERT_TRUE(StartAndWaitRunning("IKEEXT"));

    for (const auto& [word, type] : {std::pair{"disabled", SERVICE_DISABLED}, std::pair{"auto", SERVICE_AUTO_START}}) {
        const ProcessResult changed = RunProcess(sc + " config ikeext start= " + word, 10000);
        EXPECT_EQ(0u, changed.exitCode);
        EXPECT_THAT(changed.output, HasSubstr("[SC] ChangeServiceConfig SUCCESS"));
        EXPECT_EQ(DWORD(type), ServiceStartType("IKEEXT")) << word;
    }
    const ProcessResult missing = RunProcess(sc + " config NoSuchService start= auto", 10000);
    EXPECT_EQ(1u, missing.exitCode);
    EXPECT_THAT(missing.output, HasSubstr("[SC] OpenService FAILED 1060:"));
    for (const char* refused : {" query ikeext", " config ikeext start= sometimes"}) {
        const ProcessResult result = RunProcess(sc + refused, 10000);
        EXPECT_EQ(1u, result.exitCode) << refused;
        EXPECT_THAT(result.output, HasSubstr("sc (test stand-in): ")) << refused;
    }
    EXPECT_THAT(ReadFileBytes(dir + "\\sc-calls.log"), HasSubstr("sc.exe\" config ikeext start= disabled\r\n"));

    const ProcessResult removed = RunProcess(ikeext + " -remove", 20000);
    EXPECT_EQ(0u, removed.exitCode) << removed.output;
    EXPECT_EQ(0u, ServiceState("IKEEXT"));
}

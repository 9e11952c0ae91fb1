// orxstarter.exe driven for real through the prefix's service control
// manager: what each command prints, its exit code and what it leaves behind.
#include "InstalledService.h"
#include "StarterProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include "WinHandles.h"

#include <regex>
#include <string>

using namespace testing_support;
using namespace service_test;

namespace {

struct InstalledConfig {
    bool found = false;
    DWORD type = 0, start = 0, errorControl = 0;
    std::string binaryPath, account, displayName;
};

InstalledConfig QueryConfig() {
    InstalledConfig config;
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    orx::UniqueScHandle service(OpenServiceA(manager.get(), kStarterServiceName, SERVICE_QUERY_CONFIG));
    if (!service) return config;
    DWORD needed = 0;
    QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    auto* qsc = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.get(), qsc, needed, &needed)) return config;
    config.found = true;
    config.type = qsc->dwServiceType;
    config.start = qsc->dwStartType;
    config.errorControl = qsc->dwErrorControl;
    config.binaryPath = qsc->lpBinaryPathName ? qsc->lpBinaryPathName : "";
    config.account = qsc->lpServiceStartName ? qsc->lpServiceStartName : "";
    config.displayName = qsc->lpDisplayName ? qsc->lpDisplayName : "";
    return config;
}

const char kStartedPattern[] = "Starting up OrxIke Starter\\.\\.*\nOrxIke Starter started\\.\n";
const char kStoppedPattern[] = "Stopping OrxIke Starter\\.\\.*\nOrxIke Starter stopped\\.\n";

bool Matches(const std::string& text, const std::string& pattern) { return std::regex_match(text, std::regex(pattern)); }

// Every test starts and ends without the service installed, whatever happens.
class StarterCommands : public ::testing::Test {
protected:
    ScopedServiceRemoval cleanup_;
};

}  // namespace

TEST_F(StarterCommands, InstallCreatesAnAutomaticOwnProcessServiceOnce) {
    const ProcessResult first = Starter("-i");
    EXPECT_EQ("OrxIke Starter installed.\n", Plain(first.output));
    EXPECT_EQ(0u, first.exitCode);

    const InstalledConfig config = QueryConfig();
    ASSERT_TRUE(config.found);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.start);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
    EXPECT_EQ("OrxIke Starter", config.displayName);
    EXPECT_STRCASEEQ(BinPath("orxstarter.exe").c_str(), config.binaryPath.c_str());  // unquoted, no arguments
    EXPECT_EQ("LocalSystem", config.account);

    const ProcessResult second = Starter("-i");
    EXPECT_EQ("CreateService failed - " + SystemText(ERROR_SERVICE_EXISTS) + "\n", Plain(second.output));
    EXPECT_EQ(1u, second.exitCode);
}

TEST_F(StarterCommands, StartEndAndRemoveARunningService) {
    ASSERT_EQ(0u, Starter("-i").exitCode);

    const ProcessResult start = Starter("-s");
    EXPECT_TRUE(Matches(Plain(start.output), kStartedPattern)) << start.output;
    EXPECT_EQ(0u, start.exitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kStarterServiceName));

    const ProcessResult end = Starter("-e");
    EXPECT_TRUE(Matches(Plain(end.output), kStoppedPattern)) << end.output;
    EXPECT_EQ(0u, end.exitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(kStarterServiceName));

    // Ending a service that is not running: refused silently.
    const ProcessResult again = Starter("-e");
    EXPECT_EQ("", again.output);
    EXPECT_EQ(1u, again.exitCode);

    ASSERT_EQ(0u, Starter("-s").exitCode);
    const ProcessResult remove = Starter("-u");
    EXPECT_TRUE(Matches(Plain(remove.output), std::string(kStoppedPattern) + "OrxIke Starter removed\\.\n"))
        << remove.output;
    EXPECT_EQ(0u, remove.exitCode);
    EXPECT_EQ(0u, ServiceState(kStarterServiceName));
}

TEST_F(StarterCommands, RemoveOfAStoppedServiceOnlyRemoves) {
    // "-i -u": the last action wins, so nothing is installed first.
    for (const char* args : {"-u", "-i -u"}) {
        SCOPED_TRACE(args);
        ASSERT_EQ(0u, Starter("-i").exitCode);
        const ProcessResult remove = Starter(args);
        EXPECT_EQ("OrxIke Starter removed.\n", Plain(remove.output));
        EXPECT_EQ(0u, remove.exitCode);
        EXPECT_EQ(0u, ServiceState(kStarterServiceName));
    }
}

TEST_F(StarterCommands, CommandsOnAServiceThatIsNotInstalledFail) {
    const std::string missing = "OpenService failed - " + SystemText(ERROR_SERVICE_DOES_NOT_EXIST) + "\n";
    for (const char* option : {"-s", "-e", "-u"}) {
        SCOPED_TRACE(option);
        const ProcessResult result = Starter(option);
        EXPECT_EQ(missing, Plain(result.output));
        EXPECT_EQ(1u, result.exitCode);
    }
}

TEST_F(StarterCommands, WithoutArgumentsFromAConsoleNothingIsPrinted) {
    const ProcessResult result = Starter("");
    EXPECT_EQ("", result.output);
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_FALSE(result.timedOut);
}

TEST_F(StarterCommands, AccountAndPasswordReachTheInstallation) {
    for (const char* args : {"-i -l.\\tester -ps3cret", "-i -l .\\tester -p s3cret"}) {
        SCOPED_TRACE(args);
        const ProcessResult result = Starter(args);
        EXPECT_EQ("OrxIke Starter installed.\n", Plain(result.output));
        EXPECT_EQ(".\\tester", QueryConfig().account);
        ASSERT_TRUE(ForceRemoveService(kStarterServiceName));
    }
}

TEST_F(StarterCommands, ConsoleDebugModeRunsUntilCtrlCAndNeverInstalls) {
    // A console of its own, as a user's terminal would be.
    BackgroundProcess debug(StarterCommand("-d -i"), CREATE_NEW_CONSOLE);
    ASSERT_TRUE(debug.started());
    ASSERT_TRUE(debug.WaitForOutput("Debugging OrxIke Starter.", 20000)) << debug.Output();
    // The stop event exists once the run is waiting on it; a Ctrl+C before
    // that would not end the run.
    orx::UniqueHandle stopEvent;
    for (int i = 0; i < 200 && !stopEvent; ++i, Sleep(50)) stopEvent.reset(OpenEventA(SYNCHRONIZE, FALSE, "OrxIkeStop"));
    ASSERT_TRUE(stopEvent);
    EXPECT_EQ(0u, ServiceState(kStarterServiceName));

    ASSERT_EQ(0u, RunProcess("\"" + BinPath("ctrlc_sender.exe") + "\" " + std::to_string(debug.pid())).exitCode);
    DWORD exitCode = 0;
    ASSERT_TRUE(debug.Wait(20000, &exitCode)) << debug.Output();
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ("Debugging OrxIke Starter.\nStopping OrxIke Starter.\n", Plain(debug.Output()));
}

TEST_F(StarterCommands, FacelessModePrintsNothingAndEndsWithItsStopEvent) {
    BackgroundProcess faceless(StarterCommand("-f"));
    ASSERT_TRUE(faceless.started());
    orx::UniqueHandle stopEvent;
    for (int i = 0; i < 200 && !stopEvent; ++i, Sleep(50)) {
        stopEvent.reset(OpenEventA(EVENT_MODIFY_STATE, FALSE, "OrxIkeStop"));
    }
    ASSERT_TRUE(stopEvent);
    SetEvent(stopEvent.get());
    DWORD exitCode = 0;
    ASSERT_TRUE(faceless.Wait(20000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ("", faceless.Output());
}

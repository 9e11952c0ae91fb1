// orxstarter.exe driven for real through the prefix's service control
// manager: what each command prints, its exit code and what it leaves behind.
#include "sysdep/WinHandles.h"
#include "tests/support/InstalledService.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using namespace testing_support;

namespace {

std::string StarterCommand(const std::string& args) { return "\"" + BinPath("orxstarter.exe") + "\" " + args; }
ProcessResult Starter(const std::string& args) { return RunProcess(StarterCommand(args), 120000); }

// The output without the CR that text-mode standard output puts before each LF.
std::string Plain(const std::string& output) { return std::regex_replace(output, std::regex("\r"), ""); }

// The system's text for an error, without its line end, as the program prints it.
std::string SystemText(DWORD error) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, LANG_NEUTRAL, text,
                   sizeof text, nullptr);
    return std::regex_replace(text, std::regex("[\r\n]+$"), "");
}

// The installed service as "type start errors|display name|path|account".
std::string InstalledConfig() {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    orx::UniqueScHandle service(OpenServiceA(manager.get(), kStarterServiceName, SERVICE_QUERY_CONFIG));
    alignas(QUERY_SERVICE_CONFIGA) char buffer[8192];  // the most the call ever needs
    auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    DWORD needed = 0;
    if (!service || !QueryServiceConfigA(service.get(), c, sizeof buffer, &needed)) return "none";
    const auto text = [](const char* s) { return std::string(s != nullptr ? s : ""); };
    return std::to_string(c->dwServiceType) + " " + std::to_string(c->dwStartType) + " " +
           std::to_string(c->dwErrorControl) + "|" + text(c->lpDisplayName) + "|" + text(c->lpBinaryPathName) + "|" +
           text(c->lpServiceStartName);
}

// The stop event exists once the run waits on it; a stop before that would go unseen.
orx::UniqueHandle WaitForStopEvent(DWORD access) {
    orx::UniqueHandle stopEvent;
    for (int i = 0; i < 200 && !stopEvent; ++i, Sleep(50)) stopEvent.reset(OpenEventA(access, FALSE, "OrxIkeStop"));
    return stopEvent;
}

// Every test starts and ends without the service installed and with none of
// its settings, whatever happens.
class StarterCommands : public ::testing::Test {
protected:
    ScopedServiceRemoval cleanup_;
    ScopedServiceSettings settings_;
};

}  // namespace

TEST_F(StarterCommands, OneServiceThroughEveryCommand) {
    // An automatic own-process service, the path unquoted and without arguments.
    const std::string config = std::to_string(SERVICE_WIN32_OWN_PROCESS) + " " + std::to_string(SERVICE_AUTO_START) +
                               " " + std::to_string(SERVICE_ERROR_NORMAL) + "|OrxIke Starter|" +
                               BinPath("orxstarter.exe") + "|";
    const std::string installed = "OrxIke Starter installed.\n", removed = "OrxIke Starter removed.\n";
    const std::string started = "Starting up OrxIke Starter.\nOrxIke Starter started.\n";
    const std::string stopped = "Stopping OrxIke Starter.\nOrxIke Starter stopped.\n";
    const std::string missing = "OpenService failed - " + SystemText(ERROR_SERVICE_DOES_NOT_EXIST) + "\n";
    // What is printed shows each run of progress dots as one.
    struct Step { const char* args; std::string printed; DWORD exitCode, stateAfter; std::string configAfter = ""; };
    const Step steps[] = {
        {"-i", installed, 0, SERVICE_STOPPED, config + "LocalSystem"},
        {"-i", "CreateService failed - " + SystemText(ERROR_SERVICE_EXISTS) + "\n", 1, SERVICE_STOPPED},
        {"-s", started, 0, SERVICE_RUNNING},
        {"-e", stopped, 0, SERVICE_STOPPED},
        {"-e", "", 1, SERVICE_STOPPED},  // not running: refused silently
        {"-s", started, 0, SERVICE_RUNNING},
        {"-u", stopped + removed, 0, 0},
        {"-s", missing, 1, 0}, {"-e", missing, 1, 0}, {"-u", missing, 1, 0},
        {"-i -l.\\tester -ps3cret", installed, 0, SERVICE_STOPPED, config + ".\\tester"},
        {"-u", removed, 0, 0},
        {"-i -l .\\tester -p s3cret", installed, 0, SERVICE_STOPPED, config + ".\\tester"},
        {"-i -u", removed, 0, 0},  // the last action wins: nothing is installed first
        {"", "", 1, 0},            // no argument from a console
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.args);
        const ProcessResult result = Starter(s.args);
        EXPECT_EQ(s.printed, std::regex_replace(Plain(result.output), std::regex(R"(\.\.+\n)"), ".\n"));
        EXPECT_EQ(s.exitCode, result.exitCode);
        EXPECT_EQ(s.stateAfter, ServiceState());
        if (!s.configAfter.empty()) {
            EXPECT_EQ(s.configAfter, InstalledConfig());
        }
    }
}

TEST_F(StarterCommands, ConsoleDebugModeRunsUntilCtrlCAndNeverInstalls) {
    // A console of its own, as a user's terminal would be.
    BackgroundProcess debug(StarterCommand("-d -i"), CREATE_NEW_CONSOLE);
    ASSERT_TRUE(debug.WaitForOutput("Debugging OrxIke Starter.", 20000)) << debug.Output();
    ASSERT_TRUE(WaitForStopEvent(SYNCHRONIZE));
    EXPECT_EQ(0u, ServiceState());

    ASSERT_EQ(0u, RunProcess("\"" + BinPath("ctrlc_sender.exe") + "\" " + std::to_string(debug.pid())).exitCode);
    DWORD exitCode = 1;
    ASSERT_TRUE(debug.Wait(20000, &exitCode)) << debug.Output();
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ("Debugging OrxIke Starter.\nStopping OrxIke Starter.\n", Plain(debug.Output()));
}

TEST_F(StarterCommands, FacelessModePrintsNothingAndEndsWithItsStopEvent) {
    BackgroundProcess faceless(StarterCommand("-f"));
    const orx::UniqueHandle stopEvent = WaitForStopEvent(EVENT_MODIFY_STATE);
    ASSERT_TRUE(stopEvent);
    SetEvent(stopEvent.get());
    DWORD exitCode = 1;
    ASSERT_TRUE(faceless.Wait(20000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ("", faceless.Output());
}

// The framework's pure rules: command line, status records, controls.
#include "orxstarter/framework/ServiceCommandLine.h"
#include "orxstarter/framework/ServiceControl.h"
#include "orxstarter/framework/ServiceStatus.h"

#include <gmock/gmock.h>

#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using ::testing::ElementsAre;

namespace {

ServiceCommand Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "orxstarter.exe");
    return ParseServiceCommandLine(static_cast<int>(args.size()), args.data());
}

std::string Param(const std::string& arg) { return "   RegisterService : param " + arg + "\n"; }

}  // namespace

TEST(ServiceCommandLine, LastActionWinsDebugEndsTheReadingAndValuesAreAttachedOrNext) {
    struct Case { std::vector<const char*> args; ServiceAction action; std::optional<std::string> account = {}, password = {}; };
    using A = ServiceAction;
    const Case cases[] = {
        {{}, A::StartDispatcher},
        {{"install", "-x", "-I"}, A::StartDispatcher},  // words without a dash, unknown letters, capitals
        {{"-install"}, A::Install},                     // only the letter after the dash counts
        {{"-i", "-u"}, A::Remove}, {{"-u", "-i"}, A::Install},
        {{"-s", "word", "-e"}, A::EndService}, {{"-e", "-start"}, A::StartupService},
        {{"-d", "-i"}, A::DebugConsole}, {{"-u", "-f", "-lsomeone"}, A::DebugFaceless},
        {{"-i", "-lDOMAIN\\user", "-ps3cret"}, A::Install, "DOMAIN\\user", "s3cret"},
        {{"-i", "-l", "DOMAIN\\user", "-p", "s3cret"}, A::Install, "DOMAIN\\user", "s3cret"},
        {{"-l", "-u", "-i"}, A::Install, "-u"},  // the next argument is taken whatever it is
        {{"-i", "-l"}, A::Install},              // last, with nothing attached: nothing taken
        {{"-pfirst", "-i", "-p"}, A::Install, std::nullopt, "first"},
    };
    for (const Case& c : cases) {
        const ServiceCommand command = Parse(c.args);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(c.action, command.action);
        EXPECT_EQ(c.account, command.account);
        EXPECT_EQ(c.password, command.password);
    }
}

TEST(ServiceCommandLine, TraceLinesFollowTheOptionsMet) {
    EXPECT_THAT(Parse({}).traceLines, ElementsAre());
    EXPECT_THAT(Parse({"install", "-x", "-I"}).traceLines, ElementsAre(Param("-x"), Param("-I")));
    EXPECT_THAT(Parse({"-i", "-u"}).traceLines, ElementsAre(Param("-i"), "   RegisterService: install service\n",
                                                            Param("-u"), "   RegisterService: uninstall service\n"));
    EXPECT_EQ("   RegisterService: no account name given, option ignored\n", Parse({"-i", "-l"}).traceLines.back());
    EXPECT_EQ("   RegisterService: no password given, option ignored\n", Parse({"-pfirst", "-p"}).traceLines.back());
}

TEST(ServiceStatus, CheckpointsAndWaitHintsOfOneLife) {
    using Report = std::array<DWORD, 4>;  // state, wait hint, checkpoint, accepted controls
    const Report reports[] = {
        // ServiceMain, Run, running, stop request, Run ends, ServiceMain ends.
        {SERVICE_START_PENDING, 3000, 1, 0}, {SERVICE_START_PENDING, 3000, 2, 0}, {SERVICE_RUNNING, 3000, 0, 0x85},
        {SERVICE_STOP_PENDING, 15000, 3, 0x85}, {SERVICE_STOPPED, 3000, 0, 0x85}, {SERVICE_STOPPED, 3000, 0, 0x85},
        // Pending reports keep counting and nothing resets the counter (an
        // interrogation during stop-pending repeats the state).
        {SERVICE_STOP_PENDING, 3000, 4, 0x85}, {SERVICE_RUNNING, 3000, 0, 0x85}, {SERVICE_PAUSE_PENDING, 3000, 5, 0x85},
    };
    DWORD counter = 0;
    for (const Report& r : reports) {
        const SERVICE_STATUS s = ComposeServiceStatus(SERVICE_WIN32_OWN_PROCESS, r[0], r[1], ORX_ACCEPTED_CONTROLS, counter);
        EXPECT_EQ(r, (Report{s.dwCurrentState, s.dwWaitHint, s.dwCheckPoint, s.dwControlsAccepted}));
        EXPECT_EQ(0u, s.dwWin32ExitCode + s.dwServiceSpecificExitCode);
    }
}

TEST(ServiceControl, EachCodeReachesItsOperation) {
    using C = ServiceControlAction;
    const std::tuple<DWORD, ServiceControlAction, DWORD> cases[] = {
        {1, C::Stop, SERVICE_STOP_PENDING},   {2, C::Pause, SERVICE_PAUSE_PENDING}, {3, C::Continue, SERVICE_CONTINUE_PENDING},
        {4, C::Interrogate, 0},               {5, C::Shutdown, SERVICE_STOP_PENDING}, {14, C::SessionChange, 0},
        {0, C::None, 0}, {6, C::None, 0}, {15, C::None, 0}, {128, C::None, 0},
    };
    for (const auto& [code, action, pendingState] : cases) {
        const ServiceControlDecision d = DecideServiceControl(code);
        EXPECT_EQ(std::make_pair(action, pendingState), std::make_pair(d.action, d.pendingState)) << code;
    }
}

TEST(ServiceControl, SessionChangeNames) {
    const char* const names[] = {
        "Unknown Event Type", "WTS_CONSOLE_CONNECT", "WTS_CONSOLE_DISCONNECT", "WTS_REMOTE_CONNECT",
        "WTS_REMOTE_DISCONNECT", "WTS_SESSION_LOGON", "WTS_SESSION_LOGOFF", "WTS_SESSION_LOCK",
        "WTS_SESSION_UNLOCK", "WTS_SESSION_REMOTE_CONTROL", "Unknown Event Type"};
    for (DWORD code = 0; code <= 10; ++code) EXPECT_STREQ(names[code], SessionChangeName(code));
    EXPECT_STREQ("Unknown Event Type", SessionChangeName(0xFFFFFFFF));
}

// The framework's pure rules: command line, status records, controls.
#include "ServiceCommandLine.h"
#include "ServiceControl.h"
#include "ServiceStatus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ServiceCommand Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "orxstarter.exe");
    return ParseServiceCommandLine(static_cast<int>(args.size()), args.data());
}

std::string Param(const std::string& arg) { return "   RegisterService : param " + arg + "\n"; }

}  // namespace

TEST(ServiceCommandLine, WithoutActionOptionsTheDispatcherIsUsed) {
    const ServiceCommand none = Parse({});
    EXPECT_EQ(ServiceAction::StartDispatcher, none.action);
    EXPECT_TRUE(none.traceLines.empty());

    // Words without a dash are skipped silently; unknown letters and capitals
    // are traced and ignored.
    const ServiceCommand ignored = Parse({"install", "-x", "-I"});
    EXPECT_EQ(ServiceAction::StartDispatcher, ignored.action);
    EXPECT_EQ((std::vector<std::string>{Param("-x"), Param("-I")}), ignored.traceLines);
}

TEST(ServiceCommandLine, OnlyTheLetterAfterTheDashCountsAndTheLastActionWins) {
    EXPECT_EQ(ServiceAction::Install, Parse({"-install"}).action);
    EXPECT_EQ(ServiceAction::Remove, Parse({"-i", "-u"}).action);
    EXPECT_EQ(ServiceAction::Install, Parse({"-u", "-i"}).action);
    EXPECT_EQ(ServiceAction::EndService, Parse({"-s", "word", "-e"}).action);
    EXPECT_EQ(ServiceAction::StartupService, Parse({"-e", "-start"}).action);

    const ServiceCommand both = Parse({"-i", "-u"});
    EXPECT_EQ((std::vector<std::string>{Param("-i"), "   RegisterService: install service\n", Param("-u"),
                                        "   RegisterService: uninstall service\n"}),
              both.traceLines);
}

TEST(ServiceCommandLine, DebugOptionsEndTheReadingAtOnce) {
    const ServiceCommand debug = Parse({"-d", "-i"});
    EXPECT_EQ(ServiceAction::DebugConsole, debug.action);
    EXPECT_EQ(std::vector<std::string>{Param("-d")}, debug.traceLines);

    const ServiceCommand faceless = Parse({"-u", "-f", "-lsomeone"});
    EXPECT_EQ(ServiceAction::DebugFaceless, faceless.action);
    EXPECT_FALSE(faceless.account.has_value());
}

TEST(ServiceCommandLine, AccountAndPasswordAttachedOrSeparateAreAlike) {
    const ServiceCommand attached = Parse({"-i", "-lDOMAIN\\user", "-ps3cret"});
    const ServiceCommand separate = Parse({"-i", "-l", "DOMAIN\\user", "-p", "s3cret"});
    for (const ServiceCommand* c : {&attached, &separate}) {
        EXPECT_EQ(ServiceAction::Install, c->action);
        EXPECT_EQ("DOMAIN\\user", c->account.value_or("<none>"));
        EXPECT_EQ("s3cret", c->password.value_or("<none>"));
    }
    EXPECT_FALSE(Parse({"-i"}).account.has_value());
    EXPECT_FALSE(Parse({"-i"}).password.has_value());
}

TEST(ServiceCommandLine, TakingTheNextArgumentConsumesItWhateverItIs) {
    const ServiceCommand c = Parse({"-l", "-u", "-i"});
    EXPECT_EQ("-u", c.account.value_or("<none>"));
    EXPECT_EQ(ServiceAction::Install, c.action);
}

TEST(ServiceCommandLine, LoginOrPasswordLastWithNothingAttachedTakesNothing) {
    const ServiceCommand login = Parse({"-i", "-l"});
    EXPECT_EQ(ServiceAction::Install, login.action);
    EXPECT_FALSE(login.account.has_value());
    EXPECT_EQ("   RegisterService: no account name given, option ignored\n", login.traceLines.back());

    const ServiceCommand password = Parse({"-pfirst", "-i", "-p"});
    EXPECT_EQ("first", password.password.value_or("<none>"));  // an earlier value stays
    EXPECT_EQ("   RegisterService: no password given, option ignored\n", password.traceLines.back());
}

TEST(ServiceStatus, OneLifeReportsCheckpointsAndWaitHintsInOrder) {
    struct Report {
        DWORD state, waitHint, checkpoint, controls;
    };
    // ServiceMain, Run, running, stop request, Run ends, ServiceMain ends.
    const Report life[] = {
        {SERVICE_START_PENDING, 3000, 1, 0},  {SERVICE_START_PENDING, 3000, 2, 0},
        {SERVICE_RUNNING, 3000, 0, 0x85},     {SERVICE_STOP_PENDING, 15000, 3, 0x85},
        {SERVICE_STOPPED, 3000, 0, 0x85},     {SERVICE_STOPPED, 3000, 0, 0x85},
    };
    DWORD counter = 0;
    for (const Report& expected : life) {
        const SERVICE_STATUS s =
            ComposeServiceStatus(SERVICE_WIN32_OWN_PROCESS, expected.state, expected.waitHint, ORX_ACCEPTED_CONTROLS, counter);
        SCOPED_TRACE(expected.state);
        EXPECT_EQ(0x10u, s.dwServiceType);
        EXPECT_EQ(expected.state, s.dwCurrentState);
        EXPECT_EQ(expected.waitHint, s.dwWaitHint);
        EXPECT_EQ(expected.checkpoint, s.dwCheckPoint);
        EXPECT_EQ(expected.controls, s.dwControlsAccepted);
        EXPECT_EQ(0u, s.dwWin32ExitCode);
        EXPECT_EQ(0u, s.dwServiceSpecificExitCode);
    }
}

TEST(ServiceStatus, PendingReportsKeepCountingAndNothingResetsTheCounter) {
    DWORD counter = 3;
    // An interrogation during stop-pending repeats the state with a fresh checkpoint.
    EXPECT_EQ(4u, ComposeServiceStatus(0x10, SERVICE_STOP_PENDING, 3000, ORX_ACCEPTED_CONTROLS, counter).dwCheckPoint);
    EXPECT_EQ(0u, ComposeServiceStatus(0x10, SERVICE_RUNNING, 3000, ORX_ACCEPTED_CONTROLS, counter).dwCheckPoint);
    EXPECT_EQ(5u, ComposeServiceStatus(0x10, SERVICE_PAUSE_PENDING, 3000, ORX_ACCEPTED_CONTROLS, counter).dwCheckPoint);
    EXPECT_EQ(5u, counter);
}

TEST(ServiceControl, EachCodeReachesItsOperation) {
    struct Case {
        DWORD code;
        ServiceControlAction action;
        DWORD pendingState;
    };
    const Case cases[] = {
        {1, ServiceControlAction::Stop, SERVICE_STOP_PENDING},
        {2, ServiceControlAction::Pause, SERVICE_PAUSE_PENDING},
        {3, ServiceControlAction::Continue, SERVICE_CONTINUE_PENDING},
        {4, ServiceControlAction::Interrogate, 0},
        {5, ServiceControlAction::Shutdown, SERVICE_STOP_PENDING},
        {14, ServiceControlAction::SessionChange, 0},
        {0, ServiceControlAction::None, 0},
        {6, ServiceControlAction::None, 0},
        {15, ServiceControlAction::None, 0},
        {128, ServiceControlAction::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const ServiceControlDecision d = DecideServiceControl(c.code);
        EXPECT_EQ(c.action, d.action);
        EXPECT_EQ(c.pendingState, d.pendingState);
    }
}

TEST(ServiceControl, SessionChangeNames) {
    const char* const names[] = {
        "WTS_CONSOLE_CONNECT", "WTS_CONSOLE_DISCONNECT", "WTS_REMOTE_CONNECT", "WTS_REMOTE_DISCONNECT",
        "WTS_SESSION_LOGON",   "WTS_SESSION_LOGOFF",     "WTS_SESSION_LOCK",   "WTS_SESSION_UNLOCK",
        "WTS_SESSION_REMOTE_CONTROL",
    };
    for (DWORD code = 1; code <= 9; ++code) EXPECT_STREQ(names[code - 1], SessionChangeName(code));
    for (DWORD code : {0ul, 10ul, 0xFFFFFFFFul}) EXPECT_STREQ("Unknown Event Type", SessionChangeName(code));
}

// The framework's command line, read without touching the system.
#include "orxstarter/framework/ServiceCommandLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

ServiceCommand Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "orxstarter.exe");
    return ParseServiceCommandLine(static_cast<int>(args.size()), args.data());
}

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

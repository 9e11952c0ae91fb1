// ipctool (the INTERPS library) against rawpeer (the channel format written
// again from scratch, without the library): what one sends, the other prints
// byte for byte, in both directions.
#include "IpcTestSupport.h"

#include <gtest/gtest.h>

using namespace ipc_test;
using testing_support::RunProcess;

namespace {

std::vector<std::vector<uint8_t>> Payloads() {
    return {{}, PatternMessage(0x0001, 1), PatternMessage(0x1008, 4), PatternMessage(0x0004, 40),
            PatternMessage(0x9003, 696)};
}

// Starts `listenerExe` on a fresh channel, sends every payload with
// `senderExe`, and returns what the listener printed.
std::vector<std::string> RoundOfSends(const std::string& listenerExe, const std::string& senderExe) {
    const std::string name = UniqueName("interop");
    const auto payloads = Payloads();
    auto listener = StartListener(listenerExe, name, "--count " + std::to_string(payloads.size()));
    if (!listener) {
        ADD_FAILURE() << listenerExe << " did not start listening";
        return {};
    }
    for (const auto& payload : payloads) {
        const auto sent = RunProcess(ToolCommand(senderExe, "send " + name + " \"" + Hex(payload) + "\""));
        EXPECT_EQ(0u, sent.exitCode) << senderExe << ": " << sent.output;
    }
    DWORD exitCode = 1;
    EXPECT_TRUE(listener->Wait(20000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    return ListenerLines(listener->Output());
}

}  // namespace

TEST(Interop, RawListenerPrintsExactlyWhatIpctoolSends) {
    EXPECT_EQ(PrintedLines(Payloads()), RoundOfSends("rawpeer.exe", "ipctool.exe"));
}

TEST(Interop, IpctoolPrintsExactlyWhatTheRawPeerSends) {
    EXPECT_EQ(PrintedLines(Payloads()), RoundOfSends("ipctool.exe", "rawpeer.exe"));
}

TEST(Interop, IpctoolSendGivesUpAfterAbout2SecondsOnABusyRawReceiver) {
    const std::string name = UniqueName("interopbusy");
    auto listener = StartListener("rawpeer.exe", name, "--count 1 --hold-ms 3000");
    ASSERT_TRUE(listener);
    EXPECT_EQ(0u, RunProcess(ToolCommand("ipctool.exe", "send " + name + " 01000000")).exitCode);
    ASSERT_TRUE(listener->WaitForOutput("4 01000000", 10000));  // held for 3 s from now

    const ULONGLONG start = GetTickCount64();
    const auto refused = RunProcess(ToolCommand("ipctool.exe", "send " + name + " 02000000"));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(1u, refused.exitCode);
    EXPECT_GE(elapsed, 1900u);
    EXPECT_NE(std::string::npos, refused.output.find("stayed busy for 2000 ms")) << refused.output;
    EXPECT_TRUE(listener->Wait(20000));
    EXPECT_EQ(std::vector<std::string>{"4 01000000"}, ListenerLines(listener->Output()));
}

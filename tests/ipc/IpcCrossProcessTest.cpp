// INTERPS channels between two Wine processes: this test program on one
// side, ipctool on the other.
#include "common/orxinterps/src/interps.h"
#include "tests/ipc/IpcTestSupport.h"

#include <thread>

using namespace ipc_test;
using ::testing::Not;

namespace {

class CrossProcess : public TracedChannels {};

}  // namespace

// A client before its server fails. The receiver holds each message 3 s in
// its callback: senders give up after 2000 ms, the next send after the
// callback goes through at once. That one is type 14, never traced on receipt.
TEST_F(CrossProcess, SendersGiveUpOnABusyReceiverAndSilentNotifyIsNotTracedOnReceipt) {
    const std::string name = UniqueName("xbusy");
    EXPECT_EQ(nullptr, IPCInitClient(name.c_str()));
    auto listener = StartListener(name, "--count 2 --hold-ms 3000");
    ASSERT_TRUE(listener);
    HANDLE first = IPCInitClient(name.c_str()), second = IPCInitClient(name.c_str());
    const Bytes message = PatternMessage(0x1004, 696), silent = PatternMessage(0x000E, 696);
    ASSERT_TRUE(first && second && IPCSendMsg(first, message.data(), 696));
    const ULONGLONG heldFrom = GetTickCount64();
    ASSERT_TRUE(listener->WaitForOutput("696 ", 10000));

    std::vector<std::thread> senders;
    for (HANDLE channel : {first, second}) {
        senders.emplace_back([&, channel] {
            const ULONGLONG start = GetTickCount64();
            EXPECT_FALSE(IPCSendMsg(channel, message.data(), 696));
            EXPECT_GE(GetTickCount64() - start, 1900u);
            EXPECT_LT(GetTickCount64() - start, 2900u);  // gave up, rather than waiting for the callback
        });
    }
    for (std::thread& sender : senders) sender.join();
    EXPECT_THAT(TraceOf(), Contains("<= IPCSendMsg MSG ID 0x00001004 WaitForSingleObject failed with WAIT_TIMEOUT")
                               .Times(2));
    Sleep(static_cast<DWORD>(3500 - std::min<ULONGLONG>(3500, GetTickCount64() - heldFrom)));
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(IPCSendMsg(first, silent.data(), 696));
    EXPECT_LT(GetTickCount64() - start, 1000u);

    // ipctool gives up on the silent message's 3 s too, and says why.
    start = GetTickCount64();
    const auto refused = testing_support::RunProcess(IpcTool("send " + name + " 02000000"));
    EXPECT_EQ(1u, refused.exitCode);
    EXPECT_GE(GetTickCount64() - start, 1900u);
    EXPECT_NE(std::string::npos, refused.output.find("stayed busy for 2000 ms")) << refused.output;
    EXPECT_TRUE(listener->Wait(20000));
    EXPECT_NE(std::string::npos, listener->Output().find(PrintedLine(message) + "\r\n" + PrintedLine(silent) + "\r\n"));
    const std::string processing = "   ServerRecvProc: processing message with type ";
    EXPECT_THAT(TraceOf(listener->pid()), Contains(processing + "0x00001004"));
    EXPECT_THAT(TraceOf(listener->pid()), Not(Contains(processing + "0x0000000E")));
    IPCUnitialize(first);
    IPCUnitialize(second);
}

// The daemon's messages on the service's real channel "vpnsrvike", with the
// broker serving this process as the GUI: what the GUI's channel receives
// for each, and what the system log shows. Only the channels are used.
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RoutingTable.h"
#include "tests/support/ClientChannel.h"
#include "tests/support/DaemonEnd.h"

#include <gmock/gmock.h>

using namespace gui_test;
using namespace testing_support;
using ::testing::HasSubstr;

namespace {

class DaemonRouting : public BrokerTest {
protected:
    void SetUp() override {
        BrokerTest::SetUp();
        // The real supervisor, telling the broker under test.
        supervisor_.Attach(&supervisorOwner_, nullptr);
        ASSERT_NE(nullptr, supervisor_.InitServer());
        fromDaemon_ = std::make_unique<ClientChannel>(ServiceIkeChannelName());
        ASSERT_TRUE(fromDaemon_->ok());
        Announce(false);
    }
    void TearDown() override {
        fromDaemon_.reset();
        supervisor_.CloseChannels(10000);
        BrokerTest::TearDown();
    }
    bool FromDaemon(const Bytes& message) {
        return fromDaemon_->Send(message.data(), static_cast<DWORD>(message.size()));
    }
    Bytes NextAtGui() { return NextIn(*user); }

private:
    std::unique_ptr<ClientChannel> fromDaemon_;
    PartsOwner supervisorOwner_{supervisor_, gui};
    COrxIke supervisor_;
};

}  // namespace

// Each with a length of its own: the GUI receives exactly the sequence sent,
// each once, as it arrived. The started-with-error comes last: it leaves the
// daemon's state unknown.
TEST_F(DaemonRouting, EveryRelayedMessageReachesTheGuiWithItsBytesAndLength) {
    std::vector<Bytes> sent;
    for (const routing::DaemonRow& row : routing::DaemonRows()) {
        if (!row.relayed || row.errorCode != 0) continue;
        sent.push_back(Patterned(row.code, 24 + sent.size()));
    }
    Bytes failedStart = Patterned(ORXIKE_STARTED, 40);
    const uint32_t error = 5;
    std::memcpy(failedStart.data() + 16, &error, 4);
    sent.push_back(failedStart);
    for (const Bytes& message : sent) ASSERT_TRUE(FromDaemon(message)) << WordAt(message, 0);
    for (const Bytes& expected : sent) EXPECT_EQ(expected, NextAtGui()) << WordAt(expected, 0);
    EXPECT_TRUE(user->Quiet(500)) << "a message was relayed twice";
}

// The daemon's status messages reach the GUI as the status form, never as
// they were sent; the others not at all. Its stop is logged (event 7 at the
// notice level).
TEST_F(DaemonRouting, StatusMessagesBecomeTheStatusFormAndTheRestStaysHere) {
    const struct {
        uint32_t code;
        bool running;
    } statuses[] = {{ORXIKE_ALIVE, true}, {ORXIKE_REMAIN, false}, {ORXIKE_READY_TO_DIE, false}};
    for (const auto& status : statuses) {
        ASSERT_TRUE(FromDaemon(Patterned(status.code, 40)));
        Received form;
        ASSERT_TRUE(user->Next(form, 5000)) << status.code;
        EXPECT_TRUE(IsStatusForm(form, status.running)) << status.code;
    }
    ASSERT_TRUE(FromDaemon(Message(ORXIKE_STOPPED)) && FromDaemon(Message(ORX_SYSTEMLOG)));
    for (const uint32_t code : routing::CodesUnknownToTheDaemonDispatcher()) ASSERT_TRUE(FromDaemon(Message(code)));
    const Bytes last = Patterned(ORXIKE_NET_SETTINGS, 60);
    ASSERT_TRUE(FromDaemon(last));
    EXPECT_EQ(last, NextAtGui()) << "only the relayed message after them";
    EXPECT_TRUE(WaitUntil([&] { return SystemLog().find("[3002]") != std::string::npos; }, 5000));
    EXPECT_THAT(SystemLog(), HasSubstr("    IKE.Notice  "));
}

// The silent notification reaches a GUI that has started, and no longer one
// that said it stops (VPNCONF_STOPPED halts it).
TEST_F(DaemonRouting, SilentNotificationsFollowTheGuisStartAndStop) {
    ASSERT_TRUE(Send(Message(VPNCONF_STARTED)));
    EXPECT_FALSE(daemon.Take(VPNCONF_STARTED).empty());
    EXPECT_FALSE(user->Take(ORXIKE_STARTED).empty());
    const Bytes silent = Patterned(ORXIKE_SILENT_NOTIFY, 30);
    ASSERT_TRUE(FromDaemon(silent));
    EXPECT_EQ(silent, user->Take(ORXIKE_SILENT_NOTIFY));

    ASSERT_TRUE(Send(Message(VPNCONF_STOPPED)));
    EXPECT_FALSE(daemon.Take(VPNCONF_STOPPED).empty()) << "passed on once the state is set";
    ASSERT_TRUE(FromDaemon(silent));
    ASSERT_TRUE(FromDaemon(Message(ORXIKE_SA_ADD)));
    EXPECT_FALSE(user->Take(ORXIKE_SA_ADD).empty());
    EXPECT_TRUE(user->Take(ORXIKE_SILENT_NOTIFY, 0).empty()) << "dropped once the GUI has halted";
}

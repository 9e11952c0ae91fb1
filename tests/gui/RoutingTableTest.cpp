// The two dispatchers' rules against the routing table written from the
// message catalogue, row by row: what each GUI request and each daemon
// message does, whether it goes on, and which bytes are wiped.
#include "tests/gui/RoutingTable.h"

#include <gtest/gtest.h>

using namespace routing;

TEST(GuiRoutingTable, EveryRequestOfTheCatalogueDoesWhatItsRowSays) {
    for (const GuiRow& row : GuiRows()) {
        SCOPED_TRACE(row.name);
        const GuiRule rule = RuleForGuiMessage(row.code);
        EXPECT_EQ(row.action, rule.action);
        // The dispatcher passes the message itself only for "Yes"; the
        // update's handler passes it, after starting the daemon if need be.
        EXPECT_EQ(row.pass == Pass::Yes, rule.passed);
        if (row.awaitingHardening) continue;  // RECONCILE: see XauthSetTextIsWipedAfterItIsPassedOn
        EXPECT_EQ(row.wiped, rule.wipeSize);
        if (row.wiped != 0) {
            EXPECT_EQ(16u, rule.wipeOffset);
        }
    }
}

// RECONCILE: the hostile-input hardening wipes the credentials in the
// mailbox once passed on; enable this test when it is merged (and drop the
// row's awaitingHardening).
TEST(GuiRoutingTable, DISABLED_XauthSetTextIsWipedAfterItIsPassedOn) {
    const GuiRule rule = RuleForGuiMessage(0x1006);
    EXPECT_TRUE(rule.passed);
    EXPECT_EQ(16u, rule.wipeOffset);
    EXPECT_GT(rule.wipeSize, 0u);
}

TEST(GuiRoutingTable, CodesOutsideTheCatalogueAreUnknownAndGoNowhere) {
    for (const uint32_t code : CodesUnknownToTheGuiDispatcher()) {
        SCOPED_TRACE(code);
        const GuiRule rule = RuleForGuiMessage(code);
        EXPECT_EQ(GuiAction::Unknown, rule.action);
        EXPECT_FALSE(rule.passed);
        EXPECT_EQ(0u, rule.wipeSize);
    }
}

TEST(DaemonRoutingTable, EveryMessageOfTheCatalogueDoesWhatItsRowSays) {
    for (const DaemonRow& row : DaemonRows()) {
        SCOPED_TRACE(::testing::Message() << row.name << " error code " << row.errorCode);
        EXPECT_EQ(row.action, RuleForDaemonMessage(row.code, row.errorCode).action);
    }
    // The error code decides only for ORXIKE_STARTED.
    EXPECT_EQ(DaemonAction::Relay, RuleForDaemonMessage(0x000B, 5).action);
    EXPECT_EQ(DaemonAction::Stopped, RuleForDaemonMessage(0x0002, 5).action);
}

TEST(DaemonRoutingTable, CodesOutsideTheCatalogueAreUnknown) {
    for (const uint32_t code : CodesUnknownToTheDaemonDispatcher()) {
        EXPECT_EQ(DaemonAction::Unknown, RuleForDaemonMessage(code, 0).action) << code;
    }
}

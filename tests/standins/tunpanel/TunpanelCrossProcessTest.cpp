// tunpanel.exe against this test playing the service: the test creates the
// service's request channel, opens the GUI's own channel when the
// announcement arrives (in the announcing process's session, as the service
// does) and answers on it.
#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using ::testing::HasSubstr;
using testing_support::BackgroundProcess;

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t WordAt(const Bytes& message, size_t offset) {
    uint32_t value = 0;
    if (offset + 4 <= message.size()) std::memcpy(&value, message.data() + offset, 4);
    return value;
}

std::string Tunpanel(const std::string& args) {
    return "\"" + testing_support::BinPath("tunpanel.exe") + "\" " + args;
}

// The service's side: a request channel that records what arrives, and the
// client channel to the GUI that announced itself. Both close with the object.
class FakeService {
public:
    FakeService(const std::string& requestChannel, std::string guiChannelWord)
        : guiWord_(std::move(guiChannelWord)),
          requests_(IPCInitServer(requestChannel.c_str(), Record, nullptr, this)) {}
    ~FakeService() {
        if (requests_ != nullptr) IPCUnitialize(requests_);
        if (gui_ != nullptr) IPCUnitialize(gui_);
    }
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    bool ready() const { return requests_ != nullptr; }

    // The first message of type `code` not yet taken; empty after `timeoutMs`.
    Bytes Take(uint32_t code, DWORD timeoutMs) {
        for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(10)) {
            {
                std::lock_guard<std::mutex> hold(lock_);
                for (auto it = received_.begin(); it != received_.end(); ++it) {
                    if (WordAt(*it, 0) != code) continue;
                    Bytes message = *it;
                    received_.erase(it);
                    return message;
                }
            }
            if (GetTickCount64() >= deadline) return {};
        }
    }

    size_t Count() {
        std::lock_guard<std::mutex> hold(lock_);
        return received_.size();
    }

    bool SendToGui(const void* data, DWORD size) {
        std::lock_guard<std::mutex> hold(lock_);
        return gui_ != nullptr && IPCSendMsg(gui_, data, size);
    }
    bool SendToGui(uint32_t code) {
        unsigned char message[IPC_MAX_MSG_SIZE];
        ComposeEmptyMsg(message, code);
        return SendToGui(message, sizeof message);
    }

private:
    // Like the service, the GUI's channel is opened while the announcement is
    // handled: it must exist by then.
    static BOOL Record(void* message, DWORD length, void* context) {
        auto* self = static_cast<FakeService*>(context);
        const auto* bytes = static_cast<const uint8_t*>(message);
        Bytes copy(bytes, bytes + length);
        std::lock_guard<std::mutex> hold(self->lock_);
        if (WordAt(copy, 0) == SET_GUI_INFOS && self->gui_ == nullptr) {
            DWORD session = 1;
            ProcessIdToSessionId(WordAt(copy, 16), &session);
            const std::string name = "Session\\" + std::to_string(session) + "\\" + self->guiWord_;
            self->gui_ = IPCInitClient(name.c_str());
        }
        self->received_.push_back(std::move(copy));
        return TRUE;
    }

    std::string guiWord_;
    std::mutex lock_;
    std::vector<Bytes> received_;
    HANDLE gui_ = nullptr;
    HANDLE requests_ = nullptr;
};

}  // namespace

TEST(TunpanelCrossProcess, UserSessionGuiAnnouncesItselfPrintsTheStatusAndMeetsItsExpect) {
    FakeService service("Global\\vpnsrvcfg", "vpncfg");
    ASSERT_TRUE(service.ready());
    BackgroundProcess gui(Tunpanel("\"expect ORXIKE_STARTED 20000\" \"config load L=1 data=x\""));
    ASSERT_TRUE(gui.started());

    const Bytes info = service.Take(SET_GUI_INFOS, 20000);
    ASSERT_EQ(IPC_MAX_MSG_SIZE, info.size()) << gui.Output();
    EXPECT_EQ(gui.pid(), WordAt(info, 16));
    EXPECT_EQ(1u, WordAt(info, 20));  // the watchdog is asked for by default
    EXPECT_EQ(0, info[24]);           // user-session GUI
    unsigned char status[IPC_MAX_MSG_SIZE];
    ComposeStatusMsg(status, true, true, 7);
    ASSERT_TRUE(service.SendToGui(status, sizeof status)) << "the GUI's channel was not there at its announcement";

    DWORD exitCode = 0;
    ASSERT_TRUE(gui.Wait(20000, &exitCode)) << gui.Output();
    EXPECT_EQ(0u, exitCode) << gui.Output();
    EXPECT_THAT(gui.Output(), HasSubstr("<- ORXIKE_STARTED len=696 version=\"4.40\" word4=8 word16=2 session-event=7"));
    const Bytes config = service.Take(CONFIG_REQ, 5000);
    ASSERT_EQ(IPC_MAX_MSG_SIZE, config.size());
    EXPECT_EQ(1u, WordAt(config, 24));
    EXPECT_EQ('x', config[32]);
}

// The password goes out only when the service asks for it, from the reply
// thread; an expect that is never met makes the exit code 1.
TEST(TunpanelCrossProcess, LogonGuiAnswersThePasswordRequestAndReportsTheVerdict) {
    FakeService service("Global\\vpnsrvlogonui", "vpnlogonui");
    ASSERT_TRUE(service.ready());
    BackgroundProcess gui(Tunpanel("--logon --no-watchdog \"panel s3cret\" \"expect CFGPANEL_OPEN_GRANTED 20000\" "
                                   "\"expect ORXIKE_STOPPED 300\""));
    ASSERT_TRUE(gui.started());

    const Bytes info = service.Take(SET_GUI_INFOS, 20000);
    ASSERT_EQ(IPC_MAX_MSG_SIZE, info.size()) << gui.Output();
    EXPECT_EQ(0u, WordAt(info, 20));
    EXPECT_EQ(1, info[24]);
    ASSERT_FALSE(service.Take(OPEN_CFGPANEL_REQ, 10000).empty()) << gui.Output();
    EXPECT_TRUE(service.Take(CFGPANEL_PWD_RESP, 0).empty());  // not before it is asked for
    ASSERT_TRUE(service.SendToGui(CFGPANEL_PWD_RESP));
    const Bytes password = service.Take(CFGPANEL_PWD_RESP, 10000);
    ASSERT_EQ(IPC_MAX_MSG_SIZE, password.size()) << gui.Output();
    EXPECT_EQ(Bytes({'s', '3', 'c', 'r', 'e', 't', 0, 0}), Bytes(password.begin() + 16, password.begin() + 24));
    ASSERT_TRUE(service.SendToGui(CFGPANEL_OPEN_GRANTED));

    DWORD exitCode = 0;
    ASSERT_TRUE(gui.Wait(20000, &exitCode)) << gui.Output();
    EXPECT_EQ(1u, exitCode);
    const std::string output = gui.Output();
    EXPECT_THAT(output, HasSubstr("-> CFGPANEL_PWD_RESP len=696 ok"));
    EXPECT_THAT(output, HasSubstr("panel GRANTED"));
    EXPECT_THAT(output, HasSubstr("expect ORXIKE_STOPPED: nothing came within 300 ms"));
}

// Nothing is announced when the command line is wrong; without the service
// there is nobody to announce to. Both say why and end with 1.
TEST(TunpanelCrossProcess, RefusesABadRequestBeforeAnnouncingAndAMissingServiceClearly) {
    {
        const auto alone = testing_support::RunProcess(Tunpanel("start"), 30000);
        EXPECT_EQ(1u, alone.exitCode);
        EXPECT_THAT(alone.output, HasSubstr("Global\\vpnsrvcfg does not exist")) << alone.output;
    }
    FakeService service("Global\\vpnsrvcfg", "vpncfg");
    ASSERT_TRUE(service.ready());
    const auto typo = testing_support::RunProcess(Tunpanel("start \"wait soon\""), 30000);
    EXPECT_EQ(1u, typo.exitCode);
    EXPECT_THAT(typo.output, HasSubstr("request 2 (\"wait soon\"): wait: the time in ms must be a number"));
    EXPECT_EQ(0u, service.Count());
}

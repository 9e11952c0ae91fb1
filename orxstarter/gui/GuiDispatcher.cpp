// The dispatcher of the GUIs' requests: each message served, passed on to the
// daemon, or both, as RuleForGuiMessage says; secrets wiped afterwards in the
// channel's memory.
#include "orxstarter/gui/gui.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "orxstarter/ReceivedMessage.h"
#include "orxstarter/gui/GuiMessages.h"
#include "orxstarter/gui/GuiSettings.h"
#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "systemlog/SystemLogEvents.h"

#include <cstring>

using namespace gui_settings;

namespace {

using ShownText = log_text::Escaped<TRACE_MSG_SIZE>;

void TraceRule(const GuiRule& rule, const ReceivedMessage& received) {
    const uint32_t type = received.Type();
    for (int written = 0; rule.trace != nullptr && written < (rule.traceTwice ? 2 : 1); ++written) {
        switch (rule.traceArg) {
        case GuiTraceArg::None: TRACE("%s", rule.trace); break;
        case GuiTraceArg::Text16: TRACE(rule.trace, ShownText(received.Text(16)).c_str()); break;
        case GuiTraceArg::Text16Length:
            TRACE(rule.trace, static_cast<unsigned>(std::strlen(received.Text(16))));
            break;
        case GuiTraceArg::Name: TRACE(rule.trace, IpcMsgName(type)); break;
        case GuiTraceArg::NameAndText16:
            TRACE(rule.trace, IpcMsgName(type), ShownText(received.Text(16)).c_str());
            break;
        case GuiTraceArg::ModeCfgWords:
            TRACE(rule.trace, static_cast<unsigned long>(received.Word(16)),
                  static_cast<unsigned long>(received.Word(20)), static_cast<unsigned long>(received.Word(24)));
            break;
        case GuiTraceArg::Type: TRACE(rule.trace, static_cast<unsigned>(type)); break;
        }
    }
}

}  // namespace

BOOL CGui::ReceiveMsg(void* message, DWORD length, void* context) {
    auto* self = static_cast<CGui*>(context);
    if (message == nullptr || self == nullptr) {
        TRACE("   ReceiveMsg with wrong argument\n");
        return FALSE;
    }
    const CallbackGate::Pass pass(self->callbacks_);
    if (!pass) return TRUE;  // the broker is stopping: nothing more is served
    const ReceivedMessage received(message, length);
    TRACE("=> ReceiveMsg with type 0x%08X\n", static_cast<unsigned>(received.Type()));
    self->Dispatch(RuleForGuiMessage(received.Type()), received, message);
    TRACE("<= ReceiveMsg\n");
    return TRUE;
}

// Handlers read the copy, where bytes past the received length are zero; the
// message in place is only passed on (with its received length) and wiped.
void CGui::Dispatch(const GuiRule& rule, const ReceivedMessage& received, void* inPlace) {
    // Debug on is heard in its own trace line, debug off is not.
    if (rule.action == GuiAction::DebugOn) SetDebugTraceFlags(TRACE_TO_FILE);
    TraceRule(rule, received);
    Act(rule, received, inPlace);
    if (rule.passed) PassToDaemon(inPlace, received.length());
    // The section is readable by every local process: a secret must not
    // stay there once it has served.
    if (rule.wipeSize != 0) SecureZeroMemory(static_cast<unsigned char*>(inPlace) + rule.wipeOffset, rule.wipeSize);
}

void CGui::Act(const GuiRule& rule, const ReceivedMessage& received, void* inPlace) {
    switch (rule.action) {
    case GuiAction::VpnConfStarted: OnVpnConfStarted(received); break;
    case GuiAction::Halt: State = ORX_HALT_STATE; break;
    case GuiAction::UpdateConfig: OnUpdateConfig(inPlace, received.length()); break;
    case GuiAction::ResetIke: OnResetIke(); break;
    case GuiAction::DebugOff: SetDebugTraceFlags(0); break;
    case GuiAction::Close:
        Clear(static_cast<uint8_t>(received.As<IpcCloseMsg>().closeMode & 0xFF));
        LogSystemEvent(kEventGuiClosed, kFacilityGui, kLevelNotice, 0, nullptr);
        break;
    case GuiAction::RegWrite: OnRegWrite(received); break;
    case GuiAction::RegDelete: OnRegDelete(received); break;
    case GuiAction::SystemLog: LogSystemLogMessage(received); break;
    case GuiAction::SystemLogChange:
        UninitLogsSystem();
        InitLogsSystem();
        break;
    case GuiAction::CredProvRegister: RegisterCredentialProvider(); break;
    case GuiAction::CredProvUnregister: UnregisterCredentialProvider(); break;
    case GuiAction::Announce: {
        const auto& info = received.As<IpcGuiInfoMsg>();
        OnIHMConnect(info.processId, info.watchProcess, info.connectionType);
        break;
    }
    case GuiAction::ConfigRequest: OnConfRequest(received); break;
    case GuiAction::PanelOpen: AnswerPanelRequest(); break;
    case GuiAction::PanelPassword:
        // Read from the received copy, which wipes itself.
        OnCfgPanelPwdResp(reinterpret_cast<const unsigned char(&)[sizeof(IpcPasswordMsg::password)]>(
            received.As<IpcPasswordMsg>().password));
        break;
    case GuiAction::None:
    case GuiAction::DebugOn:
    case GuiAction::Unknown: break;
    }
}

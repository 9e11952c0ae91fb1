#include "orxstarter/ike/DaemonMessages.h"

#include "common/orxinterps/src/ipcmsg.h"

namespace {

using Arg = DaemonRule::TraceArg;

DaemonRule Relay(const char* trace, Arg arg = Arg::None) { return {DaemonAction::Relay, trace, arg}; }

}  // namespace

DaemonRule RuleForDaemonMessage(uint32_t type, uint32_t errorCode) {
    switch (type) {
    case ORXIKE_STARTED:
        if (errorCode != 0) return {DaemonAction::StartedWithError, "   OrxIke started with error 0x%08X", Arg::ErrorCode};
        return {DaemonAction::Started, "   ==================================================== OrxIke started", Arg::None};
    case ORXIKE_STOPPED: return {DaemonAction::Stopped, "   ORXIKE_STOPPED", Arg::None};
    case ORXIKE_TRACE: return Relay("   ORXIKE_TRACE (%d)", Arg::State);
    case ORXIKE_SA_ADD: return Relay("   ORXIKE_SA_ADD");
    case ORXIKE_SA_DEL: return Relay("   ORXIKE_SA_DEL");
    case ORXIKE_SA_DEL_ALL: return Relay("   ORXIKE_SA_DEL_ALL");
    case ORXIKE_CONFIG_OK: return Relay("   ORXIKE_CONFIG_OK (%d)", Arg::State);
    case ORXIKE_CONFIG_NOK: return Relay("   ORXIKE_CONFIG_NOK");
    case ORXIKE_ALIVE: return {DaemonAction::Alive, "   ReceiveMsg: ORXIKE_ALIVE", Arg::None};
    case ORXIKE_XAUTH_REQ: return Relay("   ORXIKE_XAUTH_REQ");
    case ORXIKE_NET_SETTINGS: return Relay("   ORXIKE_NET_SETTINGS");
    case ORXIKE_XAUTH_DEL: return Relay("   ORXIKE_XAUTH_DEL");
    case ORXIKE_PINCODE_REQ: return Relay("   ORXIKE_PINCODE_REQ");
    case ORXIKE_SILENT_NOTIFY: return {DaemonAction::SilentNotify, nullptr, Arg::None};
    case ORX_SYSTEMLOG: return {DaemonAction::SystemLog, nullptr, Arg::None};
    case ORXIKE_READY_TO_DIE: return {DaemonAction::ReadyToDie, "   ORXIKE_READY_TO_DIE", Arg::None};
    case ORXIKE_REMAIN: return {DaemonAction::Remain, "   ORXIKE_REMAIN", Arg::None};
    default: return {DaemonAction::Unknown, "   Unknown message: %X", Arg::Type};
    }
}

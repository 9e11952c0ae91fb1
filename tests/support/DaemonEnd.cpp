#include "tests/support/DaemonEnd.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "standins/orxike/DaemonNames.h"
#include "sysdep/sysdep.h"

namespace testing_support {

std::string ServiceIkeChannelName() { return orxike_standin::ServiceChannelName(GetOSVersion()); }

DaemonEnd::DaemonEnd() : inbox_("vpnike"), service_(ServiceIkeChannelName()) {}

// The empty ORXIKE_STARTED carries error code 0: the daemon started.
bool DaemonEnd::Handshake() { return service_.SendEmpty(ORXIKE_STARTED) && service_.SendEmpty(ORXIKE_ALIVE); }

}  // namespace testing_support

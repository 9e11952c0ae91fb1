// The service's request channels as its peers open them: written here, not
// taken from the service's code, so that a wrong name there fails the tests.
#pragma once

namespace testing_support {

constexpr char kCfgRequests[] = "Global\\vpnsrvcfg";         // the GUI in a user's session
constexpr char kLogonRequests[] = "Global\\vpnsrvlogonui";   // the GUI on the logon screen
constexpr char kRelayChannel[] = "Global\\vpn2vpn";
constexpr char kDaemonChannel[] = "vpnike";                  // the daemon's own

}  // namespace testing_support

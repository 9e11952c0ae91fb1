// The test bench's IKEEXT service: reports running, then stopped once the
// stop or shutdown control arrives. Nothing else.
#pragma once

namespace ikeext_standin {

constexpr char kServiceName[] = "IKEEXT";
constexpr char kRunAsServiceArgument[] = "-service";

// Hands the thread to the service control dispatcher until the service has
// stopped. False when this process was not started by the service manager.
bool RunAsService();

}  // namespace ikeext_standin

// Names the IKE daemon stand-in is known by: its channels and its files.
#pragma once

#include <cstdint>
#include <string>

namespace orxike_standin {

// The daemon's own channel, which the service opens as client.
constexpr char kDaemonChannelName[] = "vpnike";

// The settings file, beside the executable (both images read the same name).
constexpr char kSettingsFileName[] = "orxike-standin.ini";

// The settings key under HKEY_LOCAL_MACHINE; the file wins over it.
constexpr char kSettingsRegistryKey[] = "SOFTWARE\\OrxStandins\\Daemon";

// The service's channel: "Global\vpnsrvike" on the releases whose service
// puts it in the global namespace (Vista, 7 and 8: codes 8, 9, 10), plain
// "vpnsrvike" on the others.
std::string ServiceChannelName(uint32_t osVersionCode);

// The journal of received messages, named after the image so that orxike.exe
// and orxikeng.exe keep separate ones: "orxike.exe" -> "orxike-received.log".
std::string JournalFileName(const std::string& imageName);

}  // namespace orxike_standin

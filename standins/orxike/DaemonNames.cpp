#include "standins/orxike/DaemonNames.h"

#include "sysdep/sysdep.h"

namespace orxike_standin {

std::string ServiceChannelName(uint32_t osVersionCode) {
    const bool global = osVersionCode >= ORX_OS_VISTA && osVersionCode <= ORX_OS_WIN8;
    return global ? "Global\\vpnsrvike" : "vpnsrvike";
}

std::string JournalFileName(const std::string& imageName) {
    const size_t dot = imageName.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? imageName : imageName.substr(0, dot);
    return (stem.empty() ? std::string("orxike") : stem) + "-received.log";
}

}  // namespace orxike_standin

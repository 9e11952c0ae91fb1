#include "standins/orxstarterlang/EnglishTexts.h"

#include <iterator>

namespace {

constexpr unsigned kFirstId = 3000;

// One text per string identifier, from 3000 on. A text holds at most one "%d"
// (the event's number) and one "%s" (its text argument), in either order, and
// no other conversion. Texts whose event takes a number but that carry no
// "%d" get the number appended by the service.
const char* const kTexts[] = {
    /* 3000 */ "The system log has started (outputs %d).",
    /* 3001 */ "A VPN client window has connected to the service.",
    /* 3002 */ "The VPN client window has closed.",
    /* 3003 */ "The VPN configuration panel has been opened.",
    /* 3004 */ "Configuration panel password checked, access granted (1) or refused (0):",
    /* 3005 */ "The VPN configuration panel has been closed.",
    /* 3006 */ "The IKE daemon has started (status %d).",
    /* 3007 */ "The IKE daemon has stopped.",
    /* 3008 */ "IKE daemon: %s",
    /* 3009 */ "The VPN client window ended unexpectedly (state %d).",
    /* 3010 */ "The IKE daemon ended unexpectedly (state %d).",
    /* 3011 */ "The VPN service is stopping.",
    /* 3012 */ "The VPN configuration has been saved.",
    /* 3013 */ "Tunnel %s is opening.",
    /* 3014 */ "Tunnel %s is open.",
    /* 3015 */ "Tunnel %s has been closed.",
    /* 3016 */ "Tunnel %s could not be opened.",
    /* 3017 */ "Tunnel %s was closed by the gateway.",
    /* 3018 */ "All tunnels have been closed.",
    /* 3019 */ "Configuration %s: the operation succeeded.",
    /* 3020 */ "Configuration %s: the operation failed with error %d.",
    /* 3021 */ "Configuration %s has been imported.",
    /* 3022 */ "Configuration %s has been exported.",
    /* 3023 */ "Smart card or token %s has been inserted.",
    /* 3024 */ "The smart card or token has been removed.",
    /* 3025 */ "The PIN code has been accepted.",
    /* 3026 */ "The PIN code has been refused.",
    /* 3027 */ "User %s has been authenticated.",
    /* 3028 */ "The network interface %s has changed.",
    /* 3029 */ "The VPN filter has been enabled.",
    /* 3030 */ "The VPN filter has been disabled.",
    /* 3031 */ "The VPN filter blocked incoming traffic from %s.",
    /* 3032 */ "The VPN filter blocked outgoing traffic to %s.",
    /* 3033 */ "Phase 1 negotiation with gateway %s has started.",
    /* 3034 */ "Phase 1 with gateway %s is established.",
    /* 3035 */ "Phase 1 with gateway %s failed with error %d.",
    /* 3036 */ "Error %d: gateway %s does not answer.",
    /* 3037 */ "Phase 2 with gateway %s failed with error %d.",
    /* 3038 */ "Phase 2 with gateway %s is established.",
    /* 3039 */ "The gateway has not answered for %d seconds (dead peer detection).",
    /* 3040 */ "The IKE daemon has reloaded its configuration.",
    /* 3041 */ "The Windows IKE service (IKEEXT) has been stopped.",
    /* 3042 */ "The Windows IKE service (IKEEXT) has been started again.",
    /* 3043 */ "Changing the Windows IKE service (IKEEXT) failed with system error %d.",
    /* 3044 */ "The certificate check failed with error %d.",
    /* 3045 */ "The gateway certificate expires in %d days.",
    /* 3046 */ "Authentication with gateway %s failed with error %d.",
    /* 3047 */ "Error %d while sending to gateway %s.",
    /* 3048 */ "Rekeying with gateway %s, attempt %d.",
    /* 3049 */ "Rekeying the security associations failed with error %d.",
    /* 3050 */ "No answer after %d retransmissions.",
    /* 3051 */ "Configuration %s is damaged and cannot be read.",
    /* 3052 */ "A trusted network has been detected; no tunnel is opened.",
};

}  // namespace

const char* EnglishText(unsigned id) {
    if (id < kFirstId || id - kFirstId >= std::size(kTexts)) return nullptr;
    return kTexts[id - kFirstId];
}

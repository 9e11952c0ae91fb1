#include "common/orxinterps/src/SecurityAttributes.h"

#include "orxstarter/trace/DebugTrace.h"

namespace {
constexpr DWORD kAllAccess = 0x1FFFFF;  // STANDARD_RIGHTS_ALL | SPECIFIC_RIGHTS_ALL
}

ChannelSecurityAttributes::ChannelSecurityAttributes() {
    IPCTRACE("=> CreateSecurityAttributes");
    built_ = Build();
    IPCTRACE("<= CreateSecurityAttributes");
}

ChannelSecurityAttributes::~ChannelSecurityAttributes() {
    IPCTRACE("=> DestroySecurityAttributes");
    built_ = false;
    IPCTRACE("<= DestroySecurityAttributes");
}

bool ChannelSecurityAttributes::Build() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = sid_;
    if (!InitializeSid(everyone, &world, 1)) return false;
    *GetSidSubAuthority(everyone, 0) = SECURITY_WORLD_RID;

    auto* acl = reinterpret_cast<PACL>(acl_);
    if (!InitializeAcl(acl, sizeof acl_, ACL_REVISION)) return false;
    if (!AddAccessAllowedAce(acl, ACL_REVISION, kAllAccess, everyone)) return false;

    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return false;
    if (!SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE)) return false;

    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = TRUE;
    return true;
}

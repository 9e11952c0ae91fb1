// Security attributes of a server channel's objects: a DACL granting Everyone
// (S-1-1-0) all access, so a process of any local account can use the channel.
#pragma once

#include <windows.h>

class ChannelSecurityAttributes {
public:
    ChannelSecurityAttributes();   // CreateSecurityAttributes (traced)
    ~ChannelSecurityAttributes();  // DestroySecurityAttributes (traced)
    ChannelSecurityAttributes(const ChannelSecurityAttributes&) = delete;
    ChannelSecurityAttributes& operator=(const ChannelSecurityAttributes&) = delete;

    // Null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* get() { return built_ ? &attributes_ : nullptr; }

private:
    bool Build();

    // The objects keep their own copy of the descriptor, so these need to
    // live only while the objects are created. Fixed room: the Everyone SID
    // has one sub-authority, and the ACL holds one ACE for it.
    alignas(DWORD) unsigned char sid_[SECURITY_MAX_SID_SIZE] = {};
    alignas(DWORD) unsigned char acl_[64] = {};
    SECURITY_DESCRIPTOR descriptor_ = {};
    SECURITY_ATTRIBUTES attributes_ = {};
    bool built_ = false;
};

// The floor of a message relayed through a part of the service: a channel
// whose receive callback passes each message straight on to the next
// channel, with nothing else in between. Two bare hops, chained as the
// service chains them (the middle one wakes no waiting thread), so a relay
// is compared with a relay.
#pragma once

#include "common/orxinterps/src/interps.h"

#include <windows.h>

class BareRelay {
public:
    // Serves `name`, passing what arrives to `next`, which must exist.
    BareRelay(const char* name, const char* next) : out_(IPCInitClient(next)) {
        in_ = IPCInitServer(name, &PassOn, nullptr, this);
    }
    ~BareRelay() {
        IPCUnitialize(in_);  // no callback runs once this returns
        IPCUnitialize(out_);
    }
    BareRelay(const BareRelay&) = delete;
    BareRelay& operator=(const BareRelay&) = delete;

    bool ok() const { return in_ != nullptr && out_ != nullptr; }

private:
    static BOOL PassOn(void* message, DWORD length, void* self) {
        return IPCSendMsg(static_cast<BareRelay*>(self)->out_, message, length);
    }

    HANDLE out_;
    HANDLE in_ = nullptr;
};

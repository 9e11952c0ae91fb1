// A channel's mailbox seen from the sending side: waits until its receiver
// has freed it ("<name>_EVT") and gives it back at once, so the next sender
// finds it free. How a run tells when a receive callback has returned.
#pragma once

#include "sysdep/WinHandles.h"

#include <windows.h>

#include <string>

namespace testing_support {

class MailboxWatch {
public:
    explicit MailboxWatch(const std::string& channelName);
    bool ok() const { return static_cast<bool>(free_); }
    // True when the mailbox was free within `timeoutMs`.
    bool WaitFreed(DWORD timeoutMs);

private:
    orx::UniqueHandle free_;
};

// Whether a channel's section exists: it lives while any process holds it,
// so a channel that both ends have closed is gone.
bool ChannelExists(const std::string& channelName);

}  // namespace testing_support

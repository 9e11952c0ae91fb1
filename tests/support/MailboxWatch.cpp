#include "tests/support/MailboxWatch.h"

namespace testing_support {

MailboxWatch::MailboxWatch(const std::string& channelName)
    : free_(OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, (channelName + "_EVT").c_str())) {}

bool MailboxWatch::WaitFreed(DWORD timeoutMs) {
    if (WaitForSingleObject(free_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    SetEvent(free_.get());  // the event is auto-reset: the wait took the mailbox
    return true;
}

bool ChannelExists(const std::string& channelName) {
    const orx::UniqueHandle section(OpenFileMappingA(FILE_MAP_READ, FALSE, channelName.c_str()));
    return static_cast<bool>(section);
}

}  // namespace testing_support

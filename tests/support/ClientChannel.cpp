#include "tests/support/ClientChannel.h"

#include "common/orxinterps/src/interps.h"
#include "common/orxinterps/src/ipcmsg.h"

namespace testing_support {

ClientChannel::ClientChannel(const std::string& name) : handle_(IPCInitClient(name.c_str())) {}

ClientChannel::~ClientChannel() {
    if (handle_ != nullptr) IPCUnitialize(handle_);
}

bool ClientChannel::Send(const void* message, DWORD length) const { return IPCSendMsg(handle_, message, length); }

bool ClientChannel::SendEmpty(uint32_t code) const {
    unsigned char message[IPC_MAX_MSG_SIZE];
    ComposeEmptyMsg(message, code);
    return Send(message, sizeof message);
}

}  // namespace testing_support

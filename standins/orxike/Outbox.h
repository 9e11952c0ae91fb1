// Messages waiting to be sent to the service. The receive thread posts its
// answers here, so that every send to the service leaves from one thread and
// the daemon's own channel is never held up by a busy service mailbox.
#pragma once

#include "standins/orxike/DaemonMessages.h"
#include "sysdep/WinHandles.h"

#include <deque>
#include <mutex>
#include <optional>

namespace orxike_standin {

class Outbox {
public:
    Outbox();
    void Post(Message message);
    std::optional<Message> Take();
    // Signalled while messages wait (auto-reset: drain with Take after a wake-up).
    HANDLE Ready() const { return ready_.get(); }

private:
    std::mutex lock_;
    std::deque<Message> waiting_;
    orx::UniqueHandle ready_;
};

}  // namespace orxike_standin

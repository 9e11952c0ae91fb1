#include "standins/orxike/Outbox.h"

namespace orxike_standin {

Outbox::Outbox() : ready_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

void Outbox::Post(Message message) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        waiting_.push_back(std::move(message));
    }
    SetEvent(ready_.get());
}

std::optional<Message> Outbox::Take() {
    std::lock_guard<std::mutex> hold(lock_);
    if (waiting_.empty()) return std::nullopt;
    Message message = std::move(waiting_.front());
    waiting_.pop_front();
    return message;
}

}  // namespace orxike_standin

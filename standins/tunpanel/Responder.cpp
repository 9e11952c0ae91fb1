#include "standins/tunpanel/Responder.h"

#include <algorithm>

namespace tunpanel {

Responder::Responder(std::function<void(const Message&)> send) : send_(std::move(send)), thread_([this] { Loop(); }) {}

Responder::~Responder() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Responder::Queue(Message message) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        queue_.push_back(std::move(message));
    }
    wake_.notify_all();
}

void Responder::Loop() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        Message message = std::move(queue_.front());
        queue_.pop_front();
        hold.unlock();
        send_(message);
        std::fill(message.begin(), message.end(), 0);  // replies carry secrets
        hold.lock();
    }
}

}  // namespace tunpanel

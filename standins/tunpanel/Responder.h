// Sends the replies that received messages call for (the panel password)
// from a thread of its own. Sending from the receive callback would hold our
// mailbox while waiting for the service's: if the service were meanwhile
// sending to us from inside its own handler, both would wait 2000 ms and one
// message would be lost.
#pragma once

#include "standins/tunpanel/MessageComposer.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tunpanel {

class Responder {
public:
    explicit Responder(std::function<void(const Message&)> send);
    ~Responder();  // sends what is queued, then ends the thread
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    void Queue(Message message);

private:
    void Loop();

    std::function<void(const Message&)> send_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<Message> queue_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace tunpanel

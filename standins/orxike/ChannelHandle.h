// Owns one INTERPS channel handle of this process and closes it on the way
// out. A server channel's receive thread is stopped by the close, so the
// owner of its callback's context must outlive this object.
#pragma once

#include "common/orxinterps/src/interps.h"

#include <utility>

namespace orxike_standin {

class ChannelHandle {
public:
    ChannelHandle() = default;
    explicit ChannelHandle(HANDLE channel) : channel_(channel) {}
    ~ChannelHandle() { reset(); }
    ChannelHandle(const ChannelHandle&) = delete;
    ChannelHandle& operator=(const ChannelHandle&) = delete;
    ChannelHandle(ChannelHandle&& other) noexcept : channel_(std::exchange(other.channel_, nullptr)) {}
    ChannelHandle& operator=(ChannelHandle&& other) noexcept {
        if (this != &other) {
            reset();
            channel_ = std::exchange(other.channel_, nullptr);
        }
        return *this;
    }

    HANDLE get() const { return channel_; }
    explicit operator bool() const { return channel_ != nullptr; }
    void reset() {
        if (channel_ != nullptr) IPCUnitialize(std::exchange(channel_, nullptr));
    }

private:
    HANDLE channel_ = nullptr;
};

}  // namespace orxike_standin

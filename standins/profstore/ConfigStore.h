// The configuration store of this process: the store file and the
// configuration loaded from it. One lock serialises the callers' threads.
#pragma once

#include "standins/profstore/LoadData.h"
#include "standins/profstore/Outcome.h"
#include "standins/profstore/StoreFormat.h"

#include <cstdint>
#include <mutex>
#include <optional>

namespace profstore {

class ConfigStore {
public:
    // Reads the store file; it becomes the loaded configuration.
    Outcome Load();
    // Copies the request's file into the store under the request's name; it
    // becomes the loaded configuration.
    Outcome Import(const LoadRequest& request);
    // Writes the loaded configuration back, recording the arguments.
    Outcome Save(uint32_t argS, uint32_t argA, uint8_t flag);

private:
    std::mutex lock_;
    std::optional<StoredConfig> loaded_;
};

}  // namespace profstore

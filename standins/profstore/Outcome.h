// The result of one library operation: an error code (CONF_NO_ERROR on
// success) and, on failure, a sentence for the call journal.
#pragma once

#include <cstdint>
#include <string>

namespace profstore {

struct Outcome {
    uint32_t error = 0;
    std::string detail;
};

}  // namespace profstore

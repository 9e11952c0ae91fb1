// The configuration record callers hand to VPNConfUnload. Pure.
#pragma once

#include <cstdint>

namespace profstore {

// Puts a PROFSTORE_RECORD_SIZE-byte record back to its released form: the
// 32-bit words at offsets 4 and 844 hold 0xFFFF, bytes 8 to 843 are zero, the
// rest is left alone.
void ResetConfigRecord(uint8_t* record);

}  // namespace profstore

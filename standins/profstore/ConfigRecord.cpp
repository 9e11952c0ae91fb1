#include "standins/profstore/ConfigRecord.h"

#include <cstring>

namespace profstore {

namespace {

constexpr uint32_t kReleasedMark = 0xFFFF;
constexpr size_t kFirstMark = 4, kZeroFrom = 8, kSecondMark = 844;

}  // namespace

void ResetConfigRecord(uint8_t* record) {
    std::memcpy(record + kFirstMark, &kReleasedMark, sizeof kReleasedMark);
    std::memset(record + kZeroFrom, 0, kSecondMark - kZeroFrom);
    std::memcpy(record + kSecondMark, &kReleasedMark, sizeof kReleasedMark);
}

}  // namespace profstore

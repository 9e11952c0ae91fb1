// Pure pieces of the channel format: names, length checks, message words.
#pragma once

#include <cstddef>
#include <cstdint>

namespace channel_format {

// A channel name is non-empty, at most IPC_MAX_NAME_LENGTH characters, and
// holds no control character.
bool IsValidChannelName(const char* name);

// "<name><suffix>" ("_MTX", "_EVT") into `out`; false when it does not fit.
bool MakeEventName(const char* name, const char* suffix, char* out, size_t size);

// A length field the receive thread may hand to a callback.
bool IsDeliverableLength(uint32_t length);

// The little-endian 32-bit word `index` of a message of `size` bytes, with
// the bytes beyond the message taken as zero (short messages are legal).
uint32_t MessageWord(const void* data, size_t size, unsigned index);

}  // namespace channel_format

// The four bytes of a word, most significant first, for "0x%02X%02X%02X%02X".
#define IPC_WORD_BYTES(w)                                                                   \
    static_cast<unsigned>(((w) >> 24) & 0xFF), static_cast<unsigned>(((w) >> 16) & 0xFF), \
        static_cast<unsigned>(((w) >> 8) & 0xFF), static_cast<unsigned>((w) & 0xFF)

// Error codes of the configuration library, as VPNConfGetLastError gives
// them, and their names. Header-only, so callers name a code without a call
// into the library.
#pragma once

#include <cstdint>

enum ProfstoreError : uint32_t {
    CONF_NO_ERROR = 0,
    CONF_REG_ERROR = 1,   // the store's directory is not configured (LogPath)
    CONF_CANNOTOPEN = 2,  // a file could not be opened or written
    CONF_WRONGSIGN = 3,
    CONF_BUFTOOSMALL = 4,  // an output or a file exceeds what the library takes
    PASSWORD_REQUIRED = 8,
    WRONG_PASSWORD = 11,
    CONF_CANNOTFIND = 15,   // nothing is loaded that could be saved
    CONF_WRONGFORMAT = 49,  // malformed data or arguments
};

// The code's name ("CONF_CANNOTOPEN"), or null for a code without one.
constexpr const char* ProfstoreErrorName(uint32_t code) {
    switch (code) {
        case CONF_REG_ERROR: return "CONF_REG_ERROR";
        case CONF_CANNOTOPEN: return "CONF_CANNOTOPEN";
        case CONF_WRONGSIGN: return "CONF_WRONGSIGN";
        case CONF_BUFTOOSMALL: return "CONF_BUFTOOSMALL";
        case PASSWORD_REQUIRED: return "PASSWORD_REQUIRED";
        case WRONG_PASSWORD: return "WRONG_PASSWORD";
        case CONF_CANNOTFIND: return "CONF_CANNOTFIND";
        case CONF_WRONGFORMAT: return "CONF_WRONGFORMAT";
        default: return nullptr;
    }
}

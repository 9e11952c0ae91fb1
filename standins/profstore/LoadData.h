// What VPNConfLoad's `data` asks for: a plain load (null or empty) or an
// import, "name=<configuration name>|<path of a file>". Pure.
#pragma once

#include <cstdint>
#include <string>

namespace profstore {

struct LoadRequest {
    bool import = false;
    std::string name;  // import: the configuration's name, 1 to 255 characters, no '|'
    std::string path;  // import: the file to copy into the store
};

// Reads `data` up to its NUL or `maxBytes`. False, with the reason in
// `error`, when it is neither empty nor a well-formed import.
bool ParseLoadData(const char* data, uint32_t maxBytes, LoadRequest& request, std::string& error);

// `data` as the call journal shows it: null, or in double quotes with
// control bytes, non-ASCII bytes and '"' as \xNN; at most `maxBytes` read.
std::string QuoteLoadData(const char* data, uint32_t maxBytes);

}  // namespace profstore

// The store file (vpnconfig.cfg): a few "#profstore " header lines the
// library writes, then the configuration text exactly as it was imported:
//
//   #profstore name=<configuration name>
//   #profstore last-save argS=<S> argA=<A> flag=<F> (save|update) at <time>
//     (or: #profstore imported from <path> at <time>)
//   #profstore body follows
//   <configuration text...>
//
// A file without that last header line (written by hand) is all body.
//
// Pure: parsing and rendering only.
#pragma once

#include <cstdint>
#include <string>

namespace profstore {

struct StoredConfig {
    std::string name;  // empty when the file names none
    std::string body;  // the configuration text, byte for byte
};

// Of the header, only the name is kept (the next write records its own event).
StoredConfig ParseStore(const std::string& fileText);

// The file's text: the name line (when there is a name), `eventLine` as a
// header line (when not empty), the "body follows" line, then the body.
std::string RenderStore(const StoredConfig& config, const std::string& eventLine);

// Header texts recording how the file was last written.
std::string SaveLine(uint32_t argS, uint32_t argA, uint8_t flag, const std::string& when);
std::string ImportLine(const std::string& path, const std::string& when);

}  // namespace profstore

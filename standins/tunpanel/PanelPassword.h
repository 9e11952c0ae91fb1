// The configuration-panel password as the service checks it, and the
// "GuiDefs" value that stores it. No OS calls.
//
// GuiDefs (180 bytes): the 32-byte digest at 12, the 32-byte salt at 44,
// zero elsewhere. The digest is taken over the password as the service reads
// it from CFGPANEL_PWD_RESP (see PasswordHashLength), followed by the salt,
// in the service's 64-byte hash buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tunpanel {

constexpr size_t kGuiDefsSize = 180;
constexpr size_t kGuiDefsDigestOffset = 12;
constexpr size_t kGuiDefsSaltOffset = 44;
constexpr size_t kDigestSize = 32;
constexpr size_t kSaltSize = 32;
constexpr size_t kHashBufferSize = 64;  // the service's: password and salt must fit it together
constexpr size_t kMaxPanelPasswordLength = kHashBufferSize - kSaltSize - 1;  // the terminating zero is hashed too

constexpr char kProductKey[] = "SOFTWARE\\Quorvane\\Quorvane VPN";
constexpr char kGuiDefsValue[] = "GuiDefs";

using Salt = std::array<uint8_t, kSaltSize>;
using Digest = std::array<uint8_t, kDigestSize>;
using GuiDefs = std::array<uint8_t, kGuiDefsSize>;

// How many bytes of a password field the service hashes: one more than the
// offset of the first zero byte followed by another zero byte (a text and
// its terminating zero). None when the field has no such pair.
std::optional<size_t> PasswordHashLength(const uint8_t* field, size_t size);

// The service's hash input for `password` sent as the GUI sends it (the
// text in a 256-byte zeroed field): those bytes, then the salt.
std::vector<uint8_t> PasswordHashInput(const std::string& password, const Salt& salt);

// A password the service can check: not empty, and short enough to fit the
// hash buffer beside the salt. False with the reason otherwise.
bool CheckPanelPassword(const std::string& password, std::string& error);

GuiDefs ComposeGuiDefs(const Digest& digest, const Salt& salt);

// Where the service looks for GuiDefs. It reads the salt from the product key
// but the digest from "SOFTWARE\<LogPath>" when the daemon's "LogPath" value
// is readable, so a password must be stored under both. `logPath` is that
// value as the service reads it (none when missing or longer than the
// service's 129-byte buffer).
std::vector<std::string> GuiDefsKeys(const std::optional<std::string>& logPath);

}  // namespace tunpanel

// Registry names the broker reads (all under HKEY_LOCAL_MACHINE), and the
// events it logs.
#pragma once

#include "systemlog/LogFormat.h"

#include <cstdint>

namespace gui_settings {

// The product key: "NetParams" and "GuiDefs".
constexpr char kProductKey[] = "SOFTWARE\\Quorvane\\Quorvane VPN";
// Non-empty (first byte non-zero): filter mode, the daemon keeps running
// when a GUI vanishes.
constexpr char kNetParamsValue[] = "NetParams";
constexpr char kGuiDefsValue[] = "GuiDefs";
// Under the daemon's App Paths key: bit 0 set, the panel opens without a password.
constexpr char kNoAdminPwdValue[] = "NoAdminPwd";
constexpr char kLogPathValue[] = "LogPath";

// System-log event indexes.
constexpr uint32_t kEventGuiConnected = 1;
constexpr uint32_t kEventGuiClosed = 2;
constexpr uint32_t kEventPanelPassword = 4;
constexpr uint32_t kEventGuiVanished = 9;
constexpr uint32_t kEventConfigDone = 19;
constexpr uint32_t kEventConfigFailed = 20;

// Facilities and levels.
constexpr uint8_t kFacilityStarter = 0;
constexpr uint8_t kFacilityGui = 1;
using systemlog::kLevelError;
using systemlog::kLevelInfo;
using systemlog::kLevelNotice;

}  // namespace gui_settings

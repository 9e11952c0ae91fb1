// An image of every key and value under one registry key, for telling
// afterwards what a run's hostile input made the service write.
#pragma once

#include "tools/reliability/RegistryDiff.h"

#include <windows.h>

#include <string>

namespace reliability {

// Every key and value under `root`\`path` (path included), named from `root`
// ("SOFTWARE\\Classes\\..."). Keys that cannot be opened are left out.
RegistryImage SnapshotRegistry(HKEY root, const std::string& path);

}  // namespace reliability

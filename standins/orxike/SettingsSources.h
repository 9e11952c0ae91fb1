// Where the IKE daemon stand-in's switches come from: values of its registry
// key, then its settings file beside the executable (the file wins).
#pragma once

#include "standins/orxike/DaemonSettings.h"

#include <string>
#include <vector>

namespace orxike_standin {

// Applies the registry key's values (a REG_DWORD as its decimal number, a
// REG_SZ as its text, named like the file's keys), then the settings file in
// `directory`. A missing key or file is no problem; a refused value or line is
// added to `problems`.
DaemonSettings LoadSettings(const std::string& directory, std::vector<std::string>& problems);

}  // namespace orxike_standin

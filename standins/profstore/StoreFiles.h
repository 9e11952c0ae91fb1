// The files of the configuration store, in the log data directory.
#pragma once

#include "standins/profstore/Outcome.h"

#include <string>

namespace profstore {

constexpr char kStoreFileName[] = "vpnconfig.cfg";
constexpr char kCallJournalFileName[] = "profstore-calls.log";

// `fileName` inside the log data directory; CONF_REG_ERROR when that
// directory is not configured or cannot be created.
Outcome PathInDataDir(const char* fileName, std::string& path);

// `fileName` (a plain name, see IsPlainFileName) in the import folder of the
// log data directory; CONF_REG_ERROR as above, CONF_CANNOTOPEN when the
// folder is missing or is a link (a junction a user planted there).
Outcome PathInImportFolder(const std::string& fileName, std::string& path);

// The whole file; CONF_CANNOTOPEN when it cannot be read, or is a link or has
// more than one name (the library runs as LocalSystem: a link a user made
// could lead it to any file), CONF_BUFTOOSMALL when it is larger than a
// configuration may be (1 MiB).
Outcome ReadWholeFile(const std::string& path, std::string& text);

// Replaces the file with `text` (written beside it, then moved over it, so a
// failed write leaves the old file intact); CONF_CANNOTOPEN on failure.
Outcome ReplaceFileContents(const std::string& path, const std::string& text);

// Local time as "YYYY-MM-DD hh:mm:ss".
std::string NowText();

}  // namespace profstore

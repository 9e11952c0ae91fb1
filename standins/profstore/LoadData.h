// What VPNConfLoad's `data` asks for: a plain load (null or empty) or an
// import, "name=<configuration name>|<file name>", the file taken from the
// library's import folder. Pure.
#pragma once

#include <cstdint>
#include <string>

namespace profstore {

// The import folder, in the log data directory. The library runs inside a
// LocalSystem service on behalf of any local user: an import names a file in
// this folder, never a path, so that it cannot make the service read (or
// reach over the network) a file the user could not.
constexpr char kImportFolderName[] = "Import";

struct LoadRequest {
    bool import = false;
    std::string name;      // import: the configuration's name, 1 to 255 characters, no '|'
    std::string fileName;  // import: a plain file name in the import folder
};

// Whether `name` names a file in a folder and nothing else: 1 to 255
// printable ASCII or code-page characters; no '\', '/' or ':' (no path, no
// drive, no UNC, no stream), none of < > " | ? *; not "." or ".."; no blank
// at its start or blank or dot at its end (Windows would drop them); not a
// device name (CON, PRN, AUX, NUL, COM1, LPT1, ... with or without an
// extension). False with the reason in `why`.
bool IsPlainFileName(const std::string& name, std::string& why);

// Reads `data` up to its NUL or `maxBytes`. False, with the reason in
// `error`, when it is neither empty nor a well-formed import.
bool ParseLoadData(const char* data, uint32_t maxBytes, LoadRequest& request, std::string& error);

// `data` as the call journal shows it: null; an empty text or a well-formed
// import in double quotes, with non-ASCII bytes and '"' as \xNN; anything
// else only by its length, since a configuration request may carry a secret
// and the journal is a file. At most `maxBytes` read.
std::string DescribeLoadData(const char* data, uint32_t maxBytes);

}  // namespace profstore

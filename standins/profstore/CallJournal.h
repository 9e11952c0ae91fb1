// The call journal: one stamped line per call, "pid=<process> <call> = <result>",
// appended to profstore-calls.log in the log data directory (or, when that
// directory is not configured, sent to the debugger output).
#pragma once

#include <string>

namespace profstore {

void JournalCall(const std::string& text);

}  // namespace profstore

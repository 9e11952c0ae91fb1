// Whole lines to standard output or error, flushed at once: the receive
// thread, the reply thread and the request loop print side by side, and a
// script reading our output must see each line as it happens.
#pragma once

#include <string>

namespace tunpanel {

void PrintLine(const std::string& line);

// "tunpanel: " and the line, on standard error.
void PrintProblem(const std::string& line);

}  // namespace tunpanel

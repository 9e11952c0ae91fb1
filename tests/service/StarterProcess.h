// Running build/bin/orxstarter.exe from a test and reading what it printed.
#pragma once

#include "TestSupport.h"

#include <windows.h>

#include <string>

namespace service_test {

// Quoted path of orxstarter.exe followed by `args`.
std::string StarterCommand(const std::string& args);

// Runs orxstarter.exe with `args` to its end (two minutes at most).
testing_support::ProcessResult Starter(const std::string& args);

// The output without the CR that text-mode standard output puts before each LF.
std::string Plain(const std::string& output);

// The system's text for an error, without its line end, as the program prints it.
std::string SystemText(DWORD error);

}  // namespace service_test

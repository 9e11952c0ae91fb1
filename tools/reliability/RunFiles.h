// Where a run keeps its files: one folder under the all-users directory that
// a service started by Wine's service manager sees (C:\users\Public), with
// the service's log data directory and a private copy of the daemon
// stand-in, which the service launches from there ("Path"). Nothing of the
// run lands in the build tree.
#pragma once

#include <cstdint>
#include <string>

namespace reliability {

constexpr char kRunRoot[] = "C:\\users\\Public\\OrxReliability";
constexpr char kLogPath[] = "OrxReliability\\Service";  // "LogPath"
// Where this program's own channel library would put its trace (it sees
// ALLUSERSPROFILE=C:\ProgramData): removed with the run's folder.
constexpr char kOwnTraceRoot[] = "C:\\ProgramData\\OrxReliability";

std::string DataDir();    // the service's log data directory
std::string DaemonDir();  // the daemon stand-in's copy, its switches and journal

// Every system-log file of the data directory, one after the other (a run
// may cross midnight).
std::string SystemLogText();
size_t CountSystemLogEvents(uint32_t eventNumber);

// Copies orxike.exe from beside this program into DaemonDir().
bool InstallDaemonCopy();
std::string DaemonJournalPath();
std::string DaemonJournal();

}  // namespace reliability

// A Wine process as Linux sees it, read from /proc through Wine's Z: drive:
// what an idle process costs the machine (its threads' context switches, its
// CPU time, its private memory), which Windows' own counters do not show
// under Wine (no context-switch counts, no private-memory figure).
#pragma once

#include <string>

namespace service_bench {

struct ProcessSample {
    unsigned threads = 0;
    double privateKb = 0;   // RssAnon: resident anonymous memory, the process's own
    double residentKb = 0;  // VmRSS: with the mapped files (the libraries)
    unsigned long long switches = 0;  // every thread's voluntary and involuntary context switches
    unsigned long long cpuNs = 0;     // every thread's time on a CPU
};

// ---- Pure parsing of /proc texts ----
// Fields of /proc/<pid>/status (Threads, RssAnon, VmRSS) into `sample`;
// false when one is missing.
bool ParseProcessStatus(const std::string& text, ProcessSample& sample);
// voluntary_ctxt_switches + nonvoluntary_ctxt_switches of a task's status.
unsigned long long ParseContextSwitches(const std::string& text);
// The first field of a task's schedstat: its nanoseconds on a CPU.
unsigned long long ParseSchedstatNs(const std::string& text);

// ---- Thin shell over /proc ----
// The Linux process id of the one Wine process whose program is
// `windowsPath` (its command line's first word, case aside); 0 when there is
// none or more than one.
unsigned long LinuxProcessOf(const std::string& windowsPath);
// The process's figures now, its threads summed; false when it is gone.
bool SampleProcess(unsigned long linuxPid, ProcessSample& sample);

}  // namespace service_bench

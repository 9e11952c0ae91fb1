#include "benchmarks/service/LinuxProcess.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace service_bench {

namespace {

// The number after "<name>:" at the start of a line of `text`; false when
// no line starts so.
bool StatusField(const std::string& text, const char* name, double& value) {
    const std::string key = std::string(name) + ":";
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line.compare(0, key.size(), key) == 0) {
            value = std::strtod(line.c_str() + key.size(), nullptr);
            return true;
        }
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return false;
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string ProcPath(unsigned long pid) { return "Z:\\proc\\" + std::to_string(pid); }

// The names of a /proc directory's numeric entries (processes, or tasks).
std::vector<unsigned long> NumericEntries(const std::string& directory) {
    std::vector<unsigned long> ids;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return ids;
    do {
        char* end = nullptr;
        const unsigned long id = std::strtoul(entry.cFileName, &end, 10);
        if (end != entry.cFileName && *end == '\0') ids.push_back(id);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return ids;
}

}  // namespace

bool ParseProcessStatus(const std::string& text, ProcessSample& sample) {
    double threads = 0;
    if (!StatusField(text, "Threads", threads) || !StatusField(text, "RssAnon", sample.privateKb) ||
        !StatusField(text, "VmRSS", sample.residentKb)) {
        return false;
    }
    sample.threads = static_cast<unsigned>(threads);
    return true;
}

unsigned long long ParseContextSwitches(const std::string& text) {
    double voluntary = 0, involuntary = 0;
    StatusField(text, "voluntary_ctxt_switches", voluntary);
    StatusField(text, "nonvoluntary_ctxt_switches", involuntary);
    return static_cast<unsigned long long>(voluntary + involuntary);
}

unsigned long long ParseSchedstatNs(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 10); }

unsigned long LinuxProcessOf(const std::string& windowsPath) {
    unsigned long found = 0;
    for (unsigned long pid : NumericEntries("Z:\\proc")) {
        const std::string commandLine = ReadText(ProcPath(pid) + "\\cmdline");
        const std::string program = commandLine.substr(0, commandLine.find('\0'));
        if (_stricmp(program.c_str(), windowsPath.c_str()) != 0) continue;
        if (found != 0) return 0;  // which one is meant cannot be told
        found = pid;
    }
    return found;
}

bool SampleProcess(unsigned long linuxPid, ProcessSample& sample) {
    sample = ProcessSample();
    if (!ParseProcessStatus(ReadText(ProcPath(linuxPid) + "\\status"), sample)) return false;
    const std::string tasks = ProcPath(linuxPid) + "\\task";
    for (unsigned long task : NumericEntries(tasks)) {
        const std::string taskPath = tasks + "\\" + std::to_string(task);
        sample.switches += ParseContextSwitches(ReadText(taskPath + "\\status"));
        sample.cpuNs += ParseSchedstatNs(ReadText(taskPath + "\\schedstat"));
    }
    return true;
}

}  // namespace service_bench

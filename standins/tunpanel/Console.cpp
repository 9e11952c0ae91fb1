#include "standins/tunpanel/Console.h"

#include <cstdio>
#include <mutex>

namespace tunpanel {

namespace {

std::mutex& OutputLock() {
    static std::mutex lock;
    return lock;
}

void Write(FILE* stream, const std::string& line) {
    std::lock_guard<std::mutex> hold(OutputLock());
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

}  // namespace

void PrintLine(const std::string& line) { Write(stdout, line); }

void PrintProblem(const std::string& line) { Write(stderr, "tunpanel: " + line); }

}  // namespace tunpanel

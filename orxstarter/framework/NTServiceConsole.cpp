#include "orxstarter/framework/NTServiceConsole.h"

#include "orxstarter/framework/NTService.h"

#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdio>

void ConsolePrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

namespace {

// Puts the standard handle `which` behind `stream` unless the C runtime has
// it there already (a console program started from a console or a pipe).
void AttachStream(DWORD which, FILE* stream, const char* mode) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const int current = _fileno(stream);
    if (current < 0 || _get_osfhandle(current) != reinterpret_cast<intptr_t>(handle)) {
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
        if (fd < 0) return;
        FILE* opened = _fdopen(fd, mode);
        if (opened == nullptr) return;
        *stream = *opened;
    }
    std::setvbuf(stream, nullptr, _IONBF, 0);
}

}  // namespace

void OpenConsole(CNTService* service) {
    if (service == nullptr || service->consoleOpened_) return;
    AllocConsole();  // fails when the process has a console already, which is fine
    AttachStream(STD_OUTPUT_HANDLE, stdout, "w");
    AttachStream(STD_ERROR_HANDLE, stderr, "w");
    AttachStream(STD_INPUT_HANDLE, stdin, "r");
    service->consoleOpened_ = true;
}

// ctrlc_sender <pid>: presses Ctrl+C in the console of process <pid>, as a
// user at that console would. A console control event reaches only processes
// of the sender's own console, so this joins the target's console (and
// ignores the event itself); a test program keeps its own console untouched
// by leaving this to a helper process. Exit code 0 when the event was sent.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const DWORD pid = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
    FreeConsole();
    if (!AttachConsole(pid)) return 3;
    SetConsoleCtrlHandler(nullptr, TRUE);
    return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) ? 0 : 4;
}

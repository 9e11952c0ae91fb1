// Process entry of orxstarter.exe: the command line goes to the one service
// object; its answer is the exit code.
#include "orxstarter/Service.h"

// Built by a static initializer before the entry runs, destroyed at exit.
CService theService;

int main(int argc, char** argv) { return theService.RegisterService(argc, argv) ? 0 : 1; }

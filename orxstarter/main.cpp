// Process entry of orxstarter.exe: the command line goes to the one service
// object; its answer is the exit code.
#include "orxstarter/Service.h"

int main(int argc, char** argv) { return theService.RegisterService(argc, argv) ? 0 : 1; }

// ikeext_standin.exe: an IKEEXT service for the test bench only, so the
// service's stepping aside of IKEEXT can be tested in a Wine prefix.
//   ikeext_standin -install   creates the service (demand start)
//   ikeext_standin -remove    stops and deletes it
//   ikeext_standin -service   what the service manager runs
#include "standins/testonly/ikeext/IkeextInstall.h"
#include "standins/testonly/ikeext/IkeextService.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace ikeext_standin;
    const char* action = argc == 2 ? argv[1] : "";
    if (std::strcmp(action, "-install") == 0) return Install();
    if (std::strcmp(action, "-remove") == 0) return Remove();
    if (std::strcmp(action, kRunAsServiceArgument) == 0) {
        if (RunAsService()) return 0;
        std::printf("ikeext_standin: -service is for the service manager (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("usage: ikeext_standin -install | -remove | -service\n");
    return 1;
}

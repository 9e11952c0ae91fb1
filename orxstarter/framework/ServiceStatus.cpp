#include "orxstarter/framework/ServiceStatus.h"

SERVICE_STATUS ComposeServiceStatus(DWORD serviceType, DWORD state, DWORD waitHint, DWORD acceptedControls,
                                    DWORD& checkpointCounter) {
    SERVICE_STATUS status{};
    status.dwServiceType = serviceType;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_START_PENDING ? 0 : acceptedControls;
    status.dwWin32ExitCode = 0;
    status.dwServiceSpecificExitCode = 0;
    status.dwWaitHint = waitHint;
    const bool settled = state == SERVICE_RUNNING || state == SERVICE_STOPPED;
    status.dwCheckPoint = settled ? 0 : ++checkpointCounter;
    return status;
}

#include "orxstarter/ReceivedMessage.h"

#include "common/orxinterps/src/ipcmsg.h"
#include "systemlog/SystemLogEvents.h"

void LogSystemLogMessage(const ReceivedMessage& message) {
    const auto& form = message.As<IpcSystemLogMsg>();
    const uint8_t facility = form.facility > 7 ? 0 : form.facility;
    LogSystemEvent(form.eventIndex, facility, form.level, static_cast<int32_t>(form.number),
                   message.Text(offsetof(IpcSystemLogMsg, text)));
}

#include "systemlog/SystemLogEvents.h"

namespace systemlog {

const SystemLogEventRow SystemLogEventTable[kSystemLogEventCount] = {
#define ORX_SYSTEMLOG_EVENT(index, number, stringId, takesNumber, takesText) \
    {number, stringId, takesNumber != 0, takesText != 0},
#include "systemlog/SystemLogEventTable.def"
#undef ORX_SYSTEMLOG_EVENT
};

const SystemLogEventRow* FindEventRow(uint32_t eventIndex) {
    return eventIndex < kSystemLogEventCount ? &SystemLogEventTable[eventIndex] : nullptr;
}

}  // namespace systemlog

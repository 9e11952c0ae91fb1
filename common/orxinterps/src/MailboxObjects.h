// The kernel objects of one channel while it is being opened, owned until
// they are handed to the channel record.
#pragma once

#include "common/orxinterps/src/IpcChannel.h"
#include "orxstarter/trace/DebugTrace.h"
#include "sysdep/WinHandles.h"

struct MailboxObjects {
    orx::UniqueHandle mapping;
    orx::UniqueView view;
    orx::UniqueHandle messagePresent;  // "_MTX"
    orx::UniqueHandle mailboxFree;     // "_EVT"
    orx::UniqueHandle stop;            // server only

    // Lets the record see the objects; they stay owned here until Detach.
    void ShowTo(IpcChannel& c) const;
    // The record owns them from now on.
    void Detach();
};

// True when the mapped view really holds a whole, committed mailbox. The
// section may have been made by any local process, so a view that would
// fault when touched is refused here rather than on the first message.
bool ViewHoldsMailbox(const void* view);

struct RecordField {
    const char* name;  // as in the record
    unsigned long value;
};

// One "   <function>(<channel>) pIpc-><field>=%08lX" line per field, in order.
template <size_t N>
void TraceRecordFields(const char* function, const char* channel, const RecordField (&fields)[N]) {
    for (const RecordField& field : fields) {
        IPCTRACE("   %s(%s) pIpc->%s=%08lX", function, channel, field.name, field.value);
    }
}

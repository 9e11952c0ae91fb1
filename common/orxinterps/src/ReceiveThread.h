// The receive thread of a server channel.
#pragma once

#include "common/orxinterps/src/IpcChannel.h"

// Thread procedure; its argument is the channel record, of which the thread
// is one user until it ends. No callback starts once a close of the channel
// has begun.
DWORD WINAPI ServerRecvProc(void* param);

// Asks the receive thread to end and waits up to 1000 ms for it. A thread
// still in its callback is left to finish on its own: it keeps its use of
// the record, so the record outlives it.
void StopReceiveThread(IpcChannel* c);

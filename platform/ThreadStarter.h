// Thread starter port: runs a function on a new thread of the calling program (CreateThread).
// The returned handle is a waitable object of the Sync port, signalled once the function has
// returned; the caller closes it with Sync::closeHandle.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Sync.h"

#include <cstdint>
#include <functional>

namespace platform {

class ThreadStarter : public Port {
public:
    // Starts `body` on a new thread. Returns the thread's handle and its identifier into
    // `threadId` (when given), or 0 when no thread could be started (`body` then never runs).
    virtual SyncHandle startThread(std::function<void()> body, std::uint32_t* threadId) = 0;
};

} // namespace platform

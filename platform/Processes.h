// Processes port: opening another program's process so that its end can be waited for
// (OpenProcess). The handle is a waitable object of the Sync port: Sync::waitAny reports it
// signalled once the process has ended, and Sync::closeHandle closes it.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Sync.h"

#include <cstdint>

namespace platform {

// Access right to wait for a process (SYNCHRONIZE).
inline constexpr std::uint32_t kSynchronize = 0x00100000;

class Processes : public Port {
public:
    // OpenProcess(access, FALSE, processId): a handle, or 0 with the last error set
    // (ERROR_INVALID_PARAMETER for a process identifier that names no process).
    virtual SyncHandle openProcess(std::uint32_t access, std::uint32_t processId) = 0;
};

} // namespace platform

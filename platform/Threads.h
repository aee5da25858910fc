// Threads port: the calling thread's identifier and its last system error code.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

class Threads : public Port {
public:
    virtual std::uint32_t currentThreadId() = 0; // GetCurrentThreadId
    virtual ErrorCode lastError() = 0;           // GetLastError
};

} // namespace platform

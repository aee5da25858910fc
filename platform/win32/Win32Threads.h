// Threads port over GetCurrentThreadId and GetLastError.
// Win32 only.
#pragma once

#include "platform/Threads.h"

namespace platform::win32 {

class Win32Threads final : public Threads {
public:
    std::uint32_t currentThreadId() override;
    ErrorCode lastError() override;
};

} // namespace platform::win32

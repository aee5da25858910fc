// Clock port over GetTickCount, GetSystemTime, GetLocalTime and Sleep.
// Win32 only.
#pragma once

#include "platform/Clock.h"

namespace platform::win32 {

class Win32Clock final : public Clock {
public:
    std::uint32_t tickCount() override;
    SystemTime utcTime() override;
    SystemTime localTime() override;
    void sleep(std::uint32_t milliseconds) override;
};

} // namespace platform::win32

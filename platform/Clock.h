// Clock port: monotonic ticks, UTC and local date and time, and a blocking sleep.
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>

namespace platform {

// Date and time as Win32 SYSTEMTIME carries it.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;     // 1 to 12
    std::uint16_t dayOfWeek = 0; // 0 Sunday to 6 Saturday
    std::uint16_t day = 0;       // 1 to 31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

class Clock : public Port {
public:
    // Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount).
    virtual std::uint32_t tickCount() = 0;
    virtual SystemTime utcTime() = 0;   // GetSystemTime
    virtual SystemTime localTime() = 0; // GetLocalTime
    // Blocks the calling thread; window messages queue meanwhile (Sleep).
    virtual void sleep(std::uint32_t milliseconds) = 0;
};

} // namespace platform

// Clock port over GetTickCount, GetSystemTime, GetLocalTime and Sleep.
// Win32 only.
#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace platform::win32 {

namespace {

SystemTime toSystemTime(const SYSTEMTIME& time) {
    SystemTime out;
    out.year = time.wYear;
    out.month = time.wMonth;
    out.dayOfWeek = time.wDayOfWeek;
    out.day = time.wDay;
    out.hour = time.wHour;
    out.minute = time.wMinute;
    out.second = time.wSecond;
    out.milliseconds = time.wMilliseconds;
    return out;
}

} // namespace

std::uint32_t Win32Clock::tickCount() {
    return GetTickCount();
}

SystemTime Win32Clock::utcTime() {
    SYSTEMTIME time{};
    GetSystemTime(&time);
    return toSystemTime(time);
}

SystemTime Win32Clock::localTime() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    return toSystemTime(time);
}

void Win32Clock::sleep(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}

} // namespace platform::win32

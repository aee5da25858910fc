// Threads port over GetCurrentThreadId and GetLastError.
// Win32 only.
#include "platform/win32/Win32Threads.h"

#include <windows.h>

namespace platform::win32 {

std::uint32_t Win32Threads::currentThreadId() {
    return GetCurrentThreadId();
}

ErrorCode Win32Threads::lastError() {
    return GetLastError();
}

} // namespace platform::win32

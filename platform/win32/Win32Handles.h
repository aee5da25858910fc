// Conversions between the ports' small handle types and Win32 handles.
// Win32 only; used by the adapters in this folder and nowhere else.
#pragma once

#include "platform/Registry.h"
#include "platform/Sync.h"
#include "platform/Types.h"

#include <windows.h>

namespace platform::win32 {

inline HWND toHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
inline WindowHandle fromHwnd(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

inline HANDLE toHandle(SyncHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
inline SyncHandle fromHandle(HANDLE handle) {
    return reinterpret_cast<SyncHandle>(handle);
}

// The ports carry the predefined root keys with their 32-bit values (0x80000001 ...). A 64-bit
// HKEY holds them sign-extended, so they are widened here; any other value is a real handle.
inline HKEY toHkey(RegKey key) {
    constexpr RegKey kPredefinedFirst = 0x80000000;
    constexpr RegKey kPredefinedLast = 0x800000FF;
    if (key >= kPredefinedFirst && key <= kPredefinedLast) {
        return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(key))));
    }
    return reinterpret_cast<HKEY>(key);
}
inline RegKey fromHkey(HKEY key) {
    return reinterpret_cast<RegKey>(key);
}

} // namespace platform::win32

// Sync port over OpenMutexW, CreateMutexW, ReleaseMutex, CreateEventW, SetEvent, ResetEvent,
// WaitForMultipleObjects and CloseHandle. The thread's last error is left as these calls set it.
// Win32 only.
#include "platform/win32/Win32Sync.h"

#include "platform/win32/Win32Handles.h"

namespace platform::win32 {

SyncHandle Win32Sync::openMutex(const wchar_t* name) {
    return fromHandle(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name));
}

SyncHandle Win32Sync::createMutex(const wchar_t* name, bool initialOwner) {
    return fromHandle(CreateMutexW(nullptr, initialOwner ? TRUE : FALSE, name));
}

bool Win32Sync::releaseMutex(SyncHandle mutex) {
    return ReleaseMutex(toHandle(mutex)) != FALSE;
}

SyncHandle Win32Sync::createEvent(bool manualReset, bool initialState) {
    return fromHandle(
        CreateEventW(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr));
}

bool Win32Sync::setEvent(SyncHandle event) {
    return SetEvent(toHandle(event)) != FALSE;
}

bool Win32Sync::resetEvent(SyncHandle event) {
    return ResetEvent(toHandle(event)) != FALSE;
}

std::uint32_t Win32Sync::waitAny(const SyncHandle* handles, std::uint32_t count, std::uint32_t timeoutMs) {
    if (handles == nullptr || count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kWaitFailed;
    }
    HANDLE waited[MAXIMUM_WAIT_OBJECTS] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        waited[i] = toHandle(handles[i]);
    }
    const DWORD result = WaitForMultipleObjects(count, waited, FALSE, timeoutMs);
    if (result < WAIT_OBJECT_0 + count) {
        return kWaitObject0 + (result - WAIT_OBJECT_0);
    }
    if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count) {
        return kWaitObject0 + (result - WAIT_ABANDONED_0);
    }
    if (result == WAIT_TIMEOUT) {
        return kWaitTimeout;
    }
    return kWaitFailed;
}

bool Win32Sync::closeHandle(SyncHandle handle) {
    return CloseHandle(toHandle(handle)) != FALSE;
}

} // namespace platform::win32

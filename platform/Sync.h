// Sync port: named mutexes and events (OpenMutexW, CreateMutexW, ReleaseMutex, CreateEventW,
// SetEvent, ResetEvent, WaitForMultipleObjects, CloseHandle). Handles may be used from any thread.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

using SyncHandle = std::uintptr_t; // 0: none

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

class Sync : public Port {
public:
    // An existing named mutex, or 0 (kFileNotFound as last error) when there is none.
    virtual SyncHandle openMutex(const wchar_t* name) = 0;
    // Creates a named mutex (or opens the existing one, as CreateMutexW does).
    virtual SyncHandle createMutex(const wchar_t* name, bool initialOwner) = 0;
    virtual bool releaseMutex(SyncHandle mutex) = 0;

    virtual SyncHandle createEvent(bool manualReset, bool initialState) = 0;
    virtual bool setEvent(SyncHandle event) = 0;
    virtual bool resetEvent(SyncHandle event) = 0;

    // Waits until any of the handles is signalled: kWaitObject0 + index (also for a mutex
    // whose owner ended without releasing it), kWaitTimeout or kWaitFailed.
    virtual std::uint32_t waitAny(const SyncHandle* handles, std::uint32_t count,
                                  std::uint32_t timeoutMs) = 0;

    virtual bool closeHandle(SyncHandle handle) = 0;
};

} // namespace platform

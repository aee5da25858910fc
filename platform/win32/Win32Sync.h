// Sync port over the Win32 named mutexes, events and waits.
// Win32 only.
#pragma once

#include "platform/Sync.h"

namespace platform::win32 {

class Win32Sync final : public Sync {
public:
    SyncHandle openMutex(const wchar_t* name) override;
    SyncHandle createMutex(const wchar_t* name, bool initialOwner) override;
    bool releaseMutex(SyncHandle mutex) override;
    SyncHandle createEvent(bool manualReset, bool initialState) override;
    bool setEvent(SyncHandle event) override;
    bool resetEvent(SyncHandle event) override;
    // An abandoned mutex is owned by the waiter when the wait returns, so it answers
    // kWaitObject0 + index like any other signalled handle.
    std::uint32_t waitAny(const SyncHandle* handles, std::uint32_t count, std::uint32_t timeoutMs) override;
    bool closeHandle(SyncHandle handle) override;
};

} // namespace platform::win32

// Named mutexes and events of the simulated world, shared by all simulated programs. Events
// are real synchronisation objects, so that real threads (the controller's watch threads) can
// wait on them; a mutex name lives while any handle to it is open, as on Windows.
// Simulation.
#pragma once

#include "platform/Sync.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace sim {

class SimSync final : public platform::Sync {
public:
    platform::SyncHandle openMutex(const wchar_t* name) override;
    platform::SyncHandle createMutex(const wchar_t* name, bool initialOwner) override;
    bool releaseMutex(platform::SyncHandle mutex) override;
    platform::SyncHandle createEvent(bool manualReset, bool initialState) override;
    bool setEvent(platform::SyncHandle event) override;
    bool resetEvent(platform::SyncHandle event) override;
    std::uint32_t waitAny(const platform::SyncHandle* handles, std::uint32_t count, std::uint32_t timeoutMs) override;
    bool closeHandle(platform::SyncHandle handle) override;

    // For tests: whether a named mutex exists, whether an event is signalled, open handles.
    bool mutexExists(const std::wstring& name) const;
    bool isSignalled(platform::SyncHandle event) const;
    std::size_t openHandleCount() const;

private:
    struct Object {
        bool isEvent = false;
        bool manualReset = false;
        bool signalled = false;
        std::wstring name; // mutexes; upper-cased
        bool owned = false;
    };

    platform::SyncHandle addHandle(const std::shared_ptr<Object>& object);
    std::shared_ptr<Object> lookup(platform::SyncHandle handle) const;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<platform::SyncHandle, std::shared_ptr<Object>> m_handles;
    std::map<std::wstring, std::weak_ptr<Object>> m_names;
    platform::SyncHandle m_nextHandle = 0x104;
};

} // namespace sim

// Named mutexes and events of the simulated world, shared by all simulated programs. Events
// are real synchronisation objects, so that real threads (the controller's watch threads) can
// wait on them; a mutex name lives while any handle to it is open, as on Windows. A mutex
// belongs to the thread that took it (created it as owner, or waited for it): that thread may
// take it again and must release it as often, no other thread may release it, and once its
// owner thread has ended without releasing it the next waiter takes it (abandoned). Processes and
// threads are waitable end objects here too: signalled once they have ended, refused by
// setEvent and resetEvent (ERROR_INVALID_HANDLE) as on Windows.
//
// The threads the world starts for its programs are real, but the world stays repeatable: after
// it starts such a thread or ends a process, it settles, that is, it waits until every such
// thread has either ended or is blocked in a wait that nothing has satisfied yet. What those
// threads do in reply therefore happens at the same virtual moment, while the world's own
// thread waits, and never beside it.
// Simulation.
#pragma once

#include "platform/Sync.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

class SimSync final : public platform::Sync {
public:
    platform::SyncHandle openMutex(const wchar_t* name) override;
    platform::SyncHandle createMutex(const wchar_t* name, bool initialOwner) override;
    bool releaseMutex(platform::SyncHandle mutex) override;
    platform::SyncHandle createEvent(bool manualReset, bool initialState) override;
    bool setEvent(platform::SyncHandle event) override;
    bool resetEvent(platform::SyncHandle event) override;
    std::uint32_t waitAny(const platform::SyncHandle* handles, std::uint32_t count,
                          std::uint32_t timeoutMs) override;
    bool closeHandle(platform::SyncHandle handle) override;

    // A new waitable end object (a process or a thread), not yet signalled.
    platform::SyncHandle createEndObject();
    // Another handle to the same object (DuplicateHandle); 0 for an invalid handle.
    platform::SyncHandle duplicateHandle(platform::SyncHandle handle);
    // The process or thread behind `handle` has ended.
    void signalEnd(platform::SyncHandle handle);

    // Accounting of the threads the world starts: beginSimThread before the thread starts,
    // enterSimThread on the thread itself, endSimThread (which signals its end object) as its
    // very last step.
    void beginSimThread();
    static void enterSimThread();
    void endSimThread(platform::SyncHandle threadObject);
    // Waits until every started thread has ended or is blocked in an unsatisfied wait.
    void settle();

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
        // A mutex's owner: the thread's life token (see SimSync.cpp) and how often it took it.
        const void* ownerKey = nullptr;
        std::weak_ptr<const int> ownerLife;
        std::uint32_t recursion = 0;
        bool settable = true; // false: a process or thread, signalled only when it ends
    };
    struct Waiter {
        std::vector<platform::SyncHandle> handles;
    };
    bool quiescent() const;

    platform::SyncHandle addHandle(const std::shared_ptr<Object>& object);
    std::shared_ptr<Object> lookup(platform::SyncHandle handle) const;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<platform::SyncHandle, std::shared_ptr<Object>> m_handles;
    std::map<std::wstring, std::weak_ptr<Object>> m_names;
    platform::SyncHandle m_nextHandle = 0x104;
    std::vector<const Waiter*> m_waiters; // started threads blocked in waitAny
    std::size_t m_simThreads = 0;         // started threads not yet ended
};

} // namespace sim

// Simulated mutexes and events. Simulation.
#include "sim/SimSync.h"

#include "common/Text.h"
#include "sim/SimThreads.h"

#include <algorithm>
#include <chrono>

namespace sim {
namespace {
// Set on the threads that the simulated world started for a program (see beginSimThread).
thread_local bool t_simThread = false;
// Lives exactly as long as its thread: a mutex whose owner's token has expired is abandoned.
thread_local const std::shared_ptr<const int> t_threadLife = std::make_shared<const int>(0);

// While a waiter cannot see its owner thread end (nothing notifies it), it looks again this often.
constexpr std::chrono::milliseconds kAbandonCheck(10);
// WaitForMultipleObjects takes at most this many handles.
constexpr std::uint32_t kMaximumWaitObjects = 64;

std::wstring upper(const wchar_t* name) {
    std::wstring out;
    for (const wchar_t* p = name; *p != L'\0'; ++p) {
        out.push_back(text::toUpperAscii(*p));
    }
    return out;
}
} // namespace

platform::SyncHandle SimSync::addHandle(const std::shared_ptr<Object>& object) {
    const platform::SyncHandle handle = m_nextHandle;
    m_nextHandle += 4;
    m_handles.emplace(handle, object);
    return handle;
}

std::shared_ptr<SimSync::Object> SimSync::lookup(platform::SyncHandle handle) const {
    const auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : it->second;
}

platform::SyncHandle SimSync::openMutex(const wchar_t* name) {
    if (name == nullptr || *name == L'\0') {
        setLastError(platform::error::kInvalidParameter);
        return 0;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_names.find(upper(name));
    auto object = it == m_names.end() ? nullptr : it->second.lock();
    if (object == nullptr) {
        setLastError(platform::error::kFileNotFound);
        return 0;
    }
    return addHandle(object);
}

platform::SyncHandle SimSync::createMutex(const wchar_t* name, bool initialOwner) {
    std::lock_guard<std::mutex> guard(m_lock);
    const std::wstring key = name != nullptr ? upper(name) : std::wstring();
    if (!key.empty()) {
        const auto it = m_names.find(key);
        if (auto existing = it == m_names.end() ? nullptr : it->second.lock()) {
            setLastError(platform::error::kAlreadyExists);
            return addHandle(existing);
        }
    }
    auto object = std::make_shared<Object>();
    object->name = key;
    if (initialOwner) {
        object->ownerKey = t_threadLife.get();
        object->ownerLife = t_threadLife;
        object->recursion = 1;
    }
    if (!key.empty()) {
        m_names[key] = object;
    }
    setLastError(platform::error::kSuccess);
    return addHandle(object);
}

bool SimSync::releaseMutex(platform::SyncHandle mutex) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto object = lookup(mutex);
    if (object == nullptr || object->isEvent) {
        setLastError(platform::error::kInvalidHandle);
        return false;
    }
    if (object->recursion == 0 || object->ownerKey != t_threadLife.get() || object->ownerLife.expired()) {
        setLastError(platform::error::kNotOwner);
        return false;
    }
    if (--object->recursion == 0) {
        object->ownerKey = nullptr;
        object->ownerLife.reset();
        m_changed.notify_all();
    }
    return true;
}

platform::SyncHandle SimSync::createEvent(bool manualReset, bool initialState) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto object = std::make_shared<Object>();
    object->isEvent = true;
    object->manualReset = manualReset;
    object->signalled = initialState;
    return addHandle(object);
}

bool SimSync::setEvent(platform::SyncHandle event) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto object = lookup(event);
        if (object == nullptr || !object->isEvent || !object->settable) {
            setLastError(platform::error::kInvalidHandle);
            return false;
        }
        object->signalled = true;
    }
    m_changed.notify_all();
    return true;
}

bool SimSync::resetEvent(platform::SyncHandle event) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto object = lookup(event);
    if (object == nullptr || !object->isEvent || !object->settable) {
        setLastError(platform::error::kInvalidHandle);
        return false;
    }
    object->signalled = false;
    return true;
}

std::uint32_t SimSync::waitAny(const platform::SyncHandle* handles, std::uint32_t count,
                               std::uint32_t timeoutMs) {
    if (handles == nullptr || count == 0 || count > kMaximumWaitObjects) {
        setLastError(platform::error::kInvalidParameter);
        return platform::kWaitFailed;
    }
    std::unique_lock<std::mutex> guard(m_lock);
    bool waitsForMutex = false;
    auto ready = [&]() -> std::uint32_t {
        waitsForMutex = false;
        for (std::uint32_t i = 0; i < count; ++i) {
            auto object = lookup(handles[i]);
            if (object == nullptr) {
                return platform::kWaitFailed - 1; // marks an invalid handle
            }
            if (object->isEvent && object->signalled) {
                if (!object->manualReset) {
                    object->signalled = false;
                }
                return platform::kWaitObject0 + i;
            }
            if (!object->isEvent) {
                const bool mine = object->recursion > 0 && object->ownerKey == t_threadLife.get();
                if (object->recursion == 0 || mine || object->ownerLife.expired()) {
                    if (!mine) {
                        object->recursion = 0; // free, or abandoned by its ended owner
                    }
                    object->ownerKey = t_threadLife.get();
                    object->ownerLife = t_threadLife;
                    ++object->recursion;
                    return platform::kWaitObject0 + i;
                }
                waitsForMutex = true;
            }
        }
        return platform::kWaitTimeout;
    };
    std::uint32_t result = ready();
    if (result == platform::kWaitTimeout && timeoutMs != 0) {
        auto until = [&] { return (result = ready()) != platform::kWaitTimeout; };
        const Waiter waiter{std::vector<platform::SyncHandle>(handles, handles + count)};
        if (t_simThread) {
            m_waiters.push_back(&waiter);
            m_changed.notify_all(); // a settle may be waiting for this thread to block
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!until()) {
            if (timeoutMs != platform::kInfinite && std::chrono::steady_clock::now() >= deadline) {
                break;
            }
            if (waitsForMutex) {
                m_changed.wait_for(guard, kAbandonCheck);
            } else if (timeoutMs == platform::kInfinite) {
                m_changed.wait(guard);
            } else {
                m_changed.wait_until(guard, deadline);
            }
        }
        if (t_simThread) {
            m_waiters.erase(std::find(m_waiters.begin(), m_waiters.end(), &waiter));
        }
    }
    if (result == platform::kWaitFailed - 1) {
        setLastError(platform::error::kInvalidHandle);
        return platform::kWaitFailed;
    }
    return result;
}

bool SimSync::closeHandle(platform::SyncHandle handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_handles.find(handle);
    if (it == m_handles.end()) {
        setLastError(platform::error::kInvalidHandle);
        return false;
    }
    m_handles.erase(it);
    for (auto name = m_names.begin(); name != m_names.end();) {
        name = name->second.expired() ? m_names.erase(name) : std::next(name);
    }
    return true;
}

platform::SyncHandle SimSync::createEndObject() {
    std::lock_guard<std::mutex> guard(m_lock);
    auto object = std::make_shared<Object>();
    object->isEvent = true;
    object->manualReset = true;
    object->settable = false;
    return addHandle(object);
}

platform::SyncHandle SimSync::duplicateHandle(platform::SyncHandle handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto object = lookup(handle);
    if (object == nullptr) {
        setLastError(platform::error::kInvalidHandle);
        return 0;
    }
    return addHandle(object);
}

void SimSync::signalEnd(platform::SyncHandle handle) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (auto object = lookup(handle)) {
            object->signalled = true;
        }
    }
    m_changed.notify_all();
}

void SimSync::beginSimThread() {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_simThreads;
}

void SimSync::enterSimThread() {
    t_simThread = true;
}

void SimSync::endSimThread(platform::SyncHandle handle) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (auto object = lookup(handle)) {
            object->signalled = true;
        }
        --m_simThreads;
    }
    m_changed.notify_all();
}

bool SimSync::quiescent() const {
    std::size_t blocked = 0;
    for (const Waiter* waiter : m_waiters) {
        bool satisfied = false;
        for (platform::SyncHandle handle : waiter->handles) {
            auto object = lookup(handle);
            satisfied = satisfied || object == nullptr || (object->isEvent && object->signalled);
        }
        blocked += satisfied ? 0 : 1;
    }
    return blocked == m_simThreads;
}

void SimSync::settle() {
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait(guard, [this] { return quiescent(); });
}

bool SimSync::mutexExists(const std::wstring& name) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_names.find(upper(name.c_str()));
    return it != m_names.end() && !it->second.expired();
}

bool SimSync::isSignalled(platform::SyncHandle event) const {
    std::lock_guard<std::mutex> guard(m_lock);
    auto object = lookup(event);
    return object != nullptr && object->signalled;
}

std::size_t SimSync::openHandleCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_handles.size();
}

} // namespace sim

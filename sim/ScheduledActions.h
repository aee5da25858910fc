// The world actions one simulated peer has scheduled on the virtual clock (a reply after its
// response delay, a frame sent later). The peer owns them: destroying the group cancels the
// actions still pending, so that a clock that outlives the peer never calls into it.
// Simulation.
#pragma once

#include "sim/VirtualClock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <utility>

namespace sim {

class ScheduledActions {
public:
    explicit ScheduledActions(VirtualClock& clock) : m_clock(clock) {}
    ScheduledActions(const ScheduledActions&) = delete;
    ScheduledActions& operator=(const ScheduledActions&) = delete;
    ~ScheduledActions() { cancelAll(); }

    VirtualClock& clock() { return m_clock; }

    // Runs `action` `delayMs` from now; returns its id for cancel.
    VirtualClock::ActionId after(std::uint64_t delayMs, std::function<void()> action) {
        auto id = std::make_shared<VirtualClock::ActionId>(0);
        *id = m_clock.scheduleAfter(delayMs, [this, id, action = std::move(action)] {
            m_pending.erase(*id);
            action();
        });
        m_pending.insert(*id);
        return *id;
    }

    bool cancel(VirtualClock::ActionId id) {
        if (m_pending.erase(id) == 0) {
            return false;
        }
        return m_clock.cancel(id);
    }

    void cancelAll() {
        for (const VirtualClock::ActionId id : m_pending) {
            m_clock.cancel(id);
        }
        m_pending.clear();
    }

    bool pending(VirtualClock::ActionId id) const { return m_pending.count(id) != 0; }
    bool empty() const { return m_pending.empty(); }

private:
    VirtualClock& m_clock;
    std::set<VirtualClock::ActionId> m_pending;
};

} // namespace sim

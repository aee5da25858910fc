// The simulated world's time: a virtual millisecond clock with a scheduler of world actions
// (a TV sending a frame, the event service posting, a scenario step). Time only moves when a
// simulated thread blocks (sleep, waiting for messages) or a driver advances it, so minutes of
// waits take microseconds and every run is repeatable.
// Simulation.
#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace sim {

// Thrown when a simulated thread would block with nothing left that could wake it.
class Deadlock : public std::exception {
public:
    explicit Deadlock(std::string what) : m_what(std::move(what)) {}
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    std::string m_what;
};

class VirtualClock final : public platform::Clock {
public:
    using Action = std::function<void()>;
    using ActionId = std::uint64_t;

    VirtualClock();

    // Milliseconds since the world started.
    std::uint64_t now() const { return m_now; }

    // Runs `action` at virtual time `at` (not before now); actions due at the same time run
    // in the order they were scheduled.
    ActionId scheduleAt(std::uint64_t at, Action action);
    ActionId scheduleAfter(std::uint64_t delayMs, Action action) {
        return scheduleAt(m_now + delayMs, std::move(action));
    }
    bool cancel(ActionId id);
    bool hasPending() const { return !m_actions.empty(); }
    // Time of the earliest pending action; only valid when hasPending().
    std::uint64_t nextActionTime() const;

    // Moves time forward to `t`, running every action due up to and including `t` at its time.
    void advanceTo(std::uint64_t t);
    // Runs the actions due now.
    void runDue() { advanceTo(m_now); }

    // Wall-clock mapping: the world starts at this UTC time; local time is UTC plus the offset.
    void setStartUtc(const platform::SystemTime& utc);
    void setLocalOffsetMinutes(int minutes) { m_localOffsetMinutes = minutes; }
    void setStartTickCount(std::uint32_t tick) { m_startTick = tick; }

    // platform::Clock
    std::uint32_t tickCount() override;
    platform::SystemTime utcTime() override;
    platform::SystemTime localTime() override;
    void sleep(std::uint32_t milliseconds) override;

    // Calendar helpers (proleptic Gregorian, milliseconds since 1970-01-01).
    static std::int64_t toEpochMs(const platform::SystemTime& t);
    static platform::SystemTime fromEpochMs(std::int64_t ms);

private:
    std::uint64_t m_now = 0;
    std::uint64_t m_nextSequence = 0;
    // Pending actions ordered by (time, sequence); the sequence is the action's id.
    std::map<std::pair<std::uint64_t, ActionId>, Action> m_actions;
    std::int64_t m_startEpochMs = 0;
    int m_localOffsetMinutes = 0;
    std::uint32_t m_startTick = 0;
};

} // namespace sim

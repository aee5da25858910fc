// Drives the simulated world's virtual clock from a real monotonic clock, so that the same
// models that run in virtual time in the tests run in real time against real programs. One lock
// guards the whole world: every access (a request from the pipe, a scenario step, the clock
// thread running due actions) first brings the virtual clock up to the real elapsed
// milliseconds, running the actions due by then, and then works on the world.
// The clock thread sleeps until the next pending action is due, or until an access may have
// scheduled an earlier one.
// Portable.
#pragma once

#include "sim/VirtualClock.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>

namespace fwsim {

class RealTimeDriver {
public:
    // Microseconds of a monotonic clock, from any start.
    using MicrosecondSource = std::function<std::uint64_t()>;

    // Real time starts now: virtual time 0 is the moment of construction. Without a source,
    // the steady clock.
    explicit RealTimeDriver(sim::VirtualClock& clock, MicrosecondSource source = {});
    ~RealTimeDriver();
    RealTimeDriver(const RealTimeDriver&) = delete;
    RealTimeDriver& operator=(const RealTimeDriver&) = delete;

    // Real microseconds since the start.
    std::uint64_t elapsedMicroseconds() const;

    // Runs `work` on the world under the lock, the clock first caught up with real time; wakes
    // the clock thread and the waiters afterwards.
    template <typename Work> auto withWorld(Work&& work) -> std::invoke_result_t<Work&> {
        std::unique_lock<std::mutex> lock(m_lock);
        catchUp();
        struct Notify {
            std::condition_variable& changed;
            ~Notify() { changed.notify_all(); }
        } notify{m_changed};
        return work();
    }

    // Waits until `condition` (evaluated under the lock, with the clock caught up) holds or
    // `timeoutMs` of real time have passed; returns the condition's last value. A timeout of 0
    // evaluates it once.
    bool waitFor(const std::function<bool()>& condition, std::uint64_t timeoutMs);

    // Brings the virtual clock up to real time once, running due actions; what the clock thread
    // does each time it wakes. Returns the virtual time.
    std::uint64_t pump();

    // The clock thread.
    void start();
    void stop();

private:
    void catchUp(); // under the lock
    void clockThread();

    sim::VirtualClock& m_clock;
    MicrosecondSource m_source;
    std::uint64_t m_startUs = 0;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace fwsim

// The virtual clock driven by real time. Portable.
#include "tools/firmware-sim/RealTimeDriver.h"

#include <chrono>

namespace fwsim {

namespace {

// The longest the clock thread sleeps with nothing pending: a safety net, not a poll that
// anything depends on.
constexpr std::uint64_t kIdleWakeMs = 1000;

std::uint64_t steadyMicroseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

RealTimeDriver::RealTimeDriver(sim::VirtualClock& clock, MicrosecondSource source)
    : m_clock(clock), m_source(source ? std::move(source) : MicrosecondSource(steadyMicroseconds)) {
    m_startUs = m_source();
}

RealTimeDriver::~RealTimeDriver() {
    stop();
}

std::uint64_t RealTimeDriver::elapsedMicroseconds() const {
    const std::uint64_t now = m_source();
    return now > m_startUs ? now - m_startUs : 0;
}

void RealTimeDriver::catchUp() {
    const std::uint64_t target = elapsedMicroseconds() / 1000;
    if (target > m_clock.now()) {
        m_clock.advanceTo(target);
    } else {
        m_clock.runDue();
    }
}

std::uint64_t RealTimeDriver::pump() {
    std::uint64_t now = 0;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        catchUp();
        now = m_clock.now();
    }
    m_changed.notify_all();
    return now;
}

bool RealTimeDriver::waitFor(const std::function<bool()>& condition, std::uint64_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        catchUp();
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        m_changed.wait_until(lock, deadline);
    }
}

void RealTimeDriver::start() {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_thread.joinable()) {
        return;
    }
    m_stopping = false;
    m_thread = std::thread([this] { clockThread(); });
}

void RealTimeDriver::stop() {
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void RealTimeDriver::clockThread() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stopping) {
        catchUp();
        lock.unlock();
        m_changed.notify_all(); // the actions just run may be what a waiter waits for
        lock.lock();
        if (m_stopping) {
            break;
        }
        const std::uint64_t nowUs = elapsedMicroseconds();
        std::uint64_t wakeUs = nowUs + kIdleWakeMs * 1000;
        if (m_clock.hasPending()) {
            wakeUs = m_clock.nextActionTime() * 1000;
        }
        if (wakeUs > nowUs) {
            // Woken early by any access (which may have scheduled an earlier action) or by stop.
            m_changed.wait_for(lock, std::chrono::microseconds(wakeUs - nowUs));
        }
    }
}

} // namespace fwsim

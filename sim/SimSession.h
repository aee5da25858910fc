// Session and power of the simulated world (platform::Session): the windows registered for
// session notifications, the active console session (1 unless set) and the calls to
// SetThreadExecutionState, each recorded with its virtual time.
// Simulation.
#pragma once

#include "platform/Session.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <set>
#include <vector>

namespace sim {

class SimSession final : public platform::Session {
public:
    static constexpr std::uint32_t kDefaultConsoleSession = 1;
    static constexpr std::uint32_t kEsContinuous = 0x80000000;

    struct ExecutionStateCall {
        std::uint64_t time = 0;
        std::uint32_t flags = 0;
    };

    explicit SimSession(VirtualClock& clock);

    void setActiveConsoleSessionId(std::uint32_t id) { m_consoleSession = id; }
    bool isRegistered(platform::WindowHandle window) const { return m_registered.count(window) != 0; }
    const std::vector<ExecutionStateCall>& executionStateCalls() const { return m_executionStateCalls; }
    // Forgets the calls recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() { m_executionStateCalls.clear(); }
    // The lasting state: the flags of the last call that carried ES_CONTINUOUS.
    std::uint32_t executionState() const { return m_executionState; }

    // platform::Session
    bool registerSessionNotification(platform::WindowHandle window) override;
    bool unregisterSessionNotification(platform::WindowHandle window) override;
    std::uint32_t activeConsoleSessionId() override { return m_consoleSession; }
    std::uint32_t setThreadExecutionState(std::uint32_t flags) override;

private:
    VirtualClock& m_clock;
    std::uint32_t m_consoleSession = kDefaultConsoleSession;
    std::set<platform::WindowHandle> m_registered;
    std::uint32_t m_executionState = kEsContinuous;
    std::vector<ExecutionStateCall> m_executionStateCalls;
};

} // namespace sim

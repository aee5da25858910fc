// Input focus of the simulated desktop (platform::InputFocus): the thread and process that own a
// window (a program's window its UI thread; a modelled application's window the one thread of
// its process), shared input between two threads, and the foreground window.
// As on Windows: a window that does not exist has no thread (0, last error
// ERROR_INVALID_WINDOW_HANDLE); attaching a thread to itself or to thread 0 fails
// (ERROR_INVALID_PARAMETER), and so does detaching threads that are not attached;
// SetForegroundWindow of a window that does not exist fails, of a child window brings its
// top-level window to the front.
// Simulation.
#pragma once

#include "platform/InputFocus.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <set>
#include <utility>

namespace sim {

class SimInputFocus final : public platform::InputFocus {
public:
    // The one thread of a modelled application's process: its process identifier plus this.
    static constexpr std::uint32_t kModelThreadOffset = 4;

    explicit SimInputFocus(SimDesktop& desktop) : m_desktop(desktop) {}

    // Threads whose input is attached now (attach, attachTo).
    const std::set<std::pair<std::uint32_t, std::uint32_t>>& attached() const { return m_attached; }
    int foregroundRequests() const { return m_foregroundRequests; }

    std::uint32_t windowThreadProcessId(platform::WindowHandle window, std::uint32_t* processId) override;
    bool attachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool attachIt) override;
    bool setForegroundWindow(platform::WindowHandle window) override;

private:
    SimDesktop& m_desktop;
    std::set<std::pair<std::uint32_t, std::uint32_t>> m_attached;
    int m_foregroundRequests = 0;
};

} // namespace sim

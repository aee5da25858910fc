// Input focus of the simulated desktop. Simulation.
#include "sim/SimInputFocus.h"

#include "sim/SimThreads.h"

namespace sim {

std::uint32_t SimInputFocus::windowThreadProcessId(platform::WindowHandle window, std::uint32_t* processId) {
    const SimDesktop::WindowInfo* info = window != 0 ? m_desktop.info(window) : nullptr;
    if (info == nullptr) {
        setLastError(platform::error::kInvalidWindowHandle);
        return 0;
    }
    const UiThread* thread = m_desktop.threadOf(window);
    const std::uint32_t process = thread != nullptr ? thread->processId : info->processId;
    if (processId != nullptr) {
        *processId = process;
    }
    return thread != nullptr ? thread->threadId : process + kModelThreadOffset;
}

bool SimInputFocus::attachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool attachIt) {
    if (attach == 0 || attachTo == 0 || attach == attachTo) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    const auto pair = std::make_pair(attach, attachTo);
    if (attachIt) {
        m_attached.insert(pair);
        return true;
    }
    if (m_attached.erase(pair) == 0) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    return true;
}

bool SimInputFocus::setForegroundWindow(platform::WindowHandle window) {
    ++m_foregroundRequests;
    if (window == 0 || !m_desktop.isWindow(window)) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    m_desktop.setForeground(window);
    return true;
}

} // namespace sim

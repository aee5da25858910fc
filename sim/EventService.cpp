// The simulated firmware event service. Simulation.
#include "sim/EventService.h"

namespace sim {

EventService::EventService(VirtualClock& clock, SimDesktop& desktop, std::uint32_t processId)
    : m_clock(clock), m_desktop(desktop), m_processId(processId) {}

bool EventService::post(std::uint32_t code) {
    bool delivered = false;
    if (m_sink != nullptr) {
        delivered = m_sink->deliver(code);
    } else {
        const platform::MessageId message = m_desktop.registerMessage(kMessageName);
        const platform::WindowHandle window = m_desktop.find(kControllerWindowClass, kControllerWindowTitle);
        if (message != 0 && window != 0) {
            delivered = m_desktop.post(window, message, code, 0, m_processId);
        }
    }
    m_events.push_back(Record{m_clock.now(), code, delivered});
    if (observer) {
        observer(m_events.back());
    }
    return delivered;
}

} // namespace sim

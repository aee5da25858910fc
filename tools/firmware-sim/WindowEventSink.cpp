// Event delivery to the controller's window. Portable.
#include "tools/firmware-sim/WindowEventSink.h"

#include "common/ControllerIdentity.h"

namespace fwsim {

bool WindowEventSink::deliver(std::uint32_t code) {
    if (m_message == 0) {
        m_message = m_windowing.registerMessage(sim::EventService::kMessageName);
        if (m_message == 0) {
            return false;
        }
    }
    const platform::WindowHandle window =
        m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    return window != 0 && m_windowing.postMessage(window, m_message, code, 0);
}

} // namespace fwsim

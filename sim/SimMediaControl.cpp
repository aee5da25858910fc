// Media control windows and the disc drive. Simulation.
#include "sim/SimMediaControl.h"

#include "common/Text.h"

namespace sim {

platform::WindowHandle SimMediaControl::createMediaWindow(platform::WindowHandle parent, std::uint32_t style,
                                                          const wchar_t* file) {
    if ((style & kWsChild) != 0 && (parent == 0 || !m_desktop.isWindow(parent))) {
        return 0;
    }
    SimDesktop::WindowInfo info;
    info.className = kWindowClass;
    info.style = style;
    info.parent = (style & kWsChild) != 0 ? parent : 0;
    if (const SimDesktop::WindowInfo* owner = parent != 0 ? m_desktop.info(parent) : nullptr) {
        info.processId = owner->processId;
    }
    const platform::WindowHandle window = m_desktop.addModelWindow(info, nullptr);
    if (window == 0) {
        return 0;
    }
    m_created.push_back(Created{m_desktop.clock().now(), window, parent, style});
    State& state = m_windows[window];
    state.style = style;
    if (file != nullptr && *file != L'\0') {
        open(state, file);
    }
    return window;
}

platform::LResult SimMediaControl::open(State& state, const wchar_t* device) {
    state.open = false;
    platform::LResult result = kMciErrorCannotLoadDriver;
    if (device != nullptr && text::equalsNoCase(device, kDiscDevice)) {
        result = m_drivePresent ? 0 : kMciErrorDeviceNotReady;
    }
    if (result != 0) {
        if ((state.style & platform::mciwnd::kNoErrorDialog) == 0) {
            ++m_errorDialogs;
        }
        return result;
    }
    state.open = true;
    return 0;
}

platform::LResult SimMediaControl::sendMediaMessage(platform::WindowHandle window,
                                                    platform::MessageId message, platform::WParam,
                                                    platform::LParam lParam) {
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || !m_desktop.isWindow(window)) {
        return 0;
    }
    State& state = it->second;
    switch (message) {
    case platform::mciwnd::kOpenW:
        return open(state, reinterpret_cast<const wchar_t*>(lParam));
    case platform::mciwnd::kCanEject:
        return state.open && m_drivePresent && m_driveEjectable ? 1 : 0;
    case platform::mciwnd::kEject:
        if (state.open && m_drivePresent && m_driveEjectable) {
            m_ejects.push_back(m_desktop.clock().now());
        }
        return 0;
    case platform::wm::kClose:
        m_windows.erase(it);
        m_desktop.destroyWindow(window);
        return 0;
    default:
        return 0;
    }
}

} // namespace sim

// The toolkit's window procedure and its window map. Portable.
#include "controller/menu/GuiWindowProcedure.h"

#include "controller/menu/GuiMessages.h"

#include <utility>

GuiWindowProcedure& GuiWindowProcedure::instance() {
    static GuiWindowProcedure procedure;
    return procedure;
}

bool GuiWindowProcedure::registerClass(platform::Windowing& windowing) {
    if (windowing.registerWindowClass(kGuiWindowClass, kGuiWindowClassStyle, *this)) {
        m_windowing = &windowing;
        return true;
    }
    return m_windowing != nullptr; // registered earlier in this process
}

platform::WindowHandle GuiWindowProcedure::createWindow(platform::Windowing& windowing, GuiWindowOwner& owner,
                                                        const wchar_t* title, std::uint32_t style,
                                                        platform::WindowHandle ownerWindow) {
    GuiWindowOwner* const previous = std::exchange(m_creating, &owner);
    const platform::WindowHandle window = windowing.createWindow(kGuiWindowClass, title, style, ownerWindow,
                                                                 reinterpret_cast<std::uintptr_t>(&owner));
    m_creating = previous;
    return window;
}

platform::LResult GuiWindowProcedure::windowProc(platform::WindowHandle window, platform::MessageId message,
                                                 platform::WParam wParam, platform::LParam lParam) {
    if (message == gui::msg::kCreate && m_creating != nullptr &&
        static_cast<std::uintptr_t>(lParam) == reinterpret_cast<std::uintptr_t>(m_creating)) {
        m_windows[window] = m_creating;
    }
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) {
        return m_windowing != nullptr ? m_windowing->defaultWindowProc(window, message, wParam, lParam) : 0;
    }
    const platform::LResult result = it->second->windowProc(window, message, wParam, lParam);
    if (message == gui::msg::kDestroy) {
        m_windows.erase(window);
    }
    return result;
}

void GuiWindowProcedure::forget(const GuiWindowOwner& owner) {
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        it = it->second == &owner ? m_windows.erase(it) : std::next(it);
    }
}

GuiWindowOwner* GuiWindowProcedure::find(platform::WindowHandle window) const {
    const auto it = m_windows.find(window);
    return it != m_windows.end() ? it->second : nullptr;
}

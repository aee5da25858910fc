// The real control menu in the simulated world. Simulation.
#include "tools/simrun/SimMenus.h"

#include "controller/menu/GuiMessages.h"

#include <algorithm>
#include <cwctype>

namespace simrun {

namespace {

std::wstring upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return text;
}

// The lParam of a key message: repeat count 1; bits 30 and 31 set on the release.
constexpr platform::LParam kKeyDownFlags = 1;
constexpr platform::LParam kKeyUpFlags = static_cast<platform::LParam>(0xC0000001u);

} // namespace

SimMenus::SimMenus(sim::SimDesktop& desktop, platform::Windowing& windowing)
    : m_desktop(desktop), m_drawing(desktop), m_factory(windowing, m_drawing) {
    m_observer = m_desktop.addShowObserver([this](platform::WindowHandle window) { onShown(window); });
}

SimMenus::~SimMenus() {
    m_desktop.removeShowObserver(m_observer);
}

std::unique_ptr<ControlMenu> SimMenus::createControlMenu() {
    if (failNext) {
        failNext = false;
        return nullptr;
    }
    return m_factory.createControlMenu();
}

QuickMenu* SimMenus::menu() const {
    return m_launcher != nullptr ? dynamic_cast<QuickMenu*>(m_launcher->menu()) : nullptr;
}

void SimMenus::onShown(platform::WindowHandle window) {
    const QuickMenu* shownMenu = menu();
    if (shownMenu == nullptr || window == 0 || shownMenu->window() != window) {
        return;
    }
    Showing showing{m_desktop.clock().now(), shownMenu->title(), {}};
    for (const QuickMenu::Entry& entry : shownMenu->entries()) {
        showing.entries.push_back(entry.text);
    }
    m_shown.push_back(std::move(showing));
}

bool SimMenus::press(std::uint32_t virtualKey) {
    const QuickMenu* shownMenu = menu();
    if (shownMenu == nullptr || !shownMenu->isVisible()) {
        return false;
    }
    const platform::WindowHandle window = shownMenu->window();
    return m_desktop.post(window, gui::msg::kKeyDown, virtualKey, kKeyDownFlags, 0) &&
           m_desktop.post(window, gui::msg::kKeyUp, virtualKey, kKeyUpFlags, 0);
}

bool SimMenus::choose(const std::wstring& fragment) {
    const QuickMenu* shownMenu = menu();
    if (shownMenu == nullptr || !shownMenu->isVisible()) {
        return false;
    }
    const auto& entries = shownMenu->entries();
    const std::wstring wanted = upper(fragment);
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const QuickMenu::Entry& entry) {
        return upper(entry.text).find(wanted) != std::wstring::npos;
    });
    if (found == entries.end()) {
        return false;
    }
    const int count = static_cast<int>(entries.size());
    const int target = static_cast<int>(found - entries.begin());
    const int from = shownMenu->selectedIndex();
    // With nothing selected the first Down selects the first entry.
    const int downs = from < 0 ? target + 1 : (target - from + count) % count;
    for (int i = 0; i < downs; ++i) {
        press(platform::vk::kDown);
    }
    return press(platform::vk::kReturn);
}

} // namespace simrun

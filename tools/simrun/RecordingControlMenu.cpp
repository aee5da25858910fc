// The recording control menu of the simulated world. Simulation.
#include "tools/simrun/RecordingControlMenu.h"

#include "common/Text.h"

#include <algorithm>

namespace simrun {

namespace {
constexpr std::uint32_t kWsPopup = 0x80000000;
constexpr std::uint32_t kWsVisible = 0x10000000;

bool containsNoCase(const std::wstring& text, const std::wstring& part) {
    std::wstring a;
    std::wstring b;
    for (wchar_t c : text) {
        a.push_back(text::toUpperAscii(c));
    }
    for (wchar_t c : part) {
        b.push_back(text::toUpperAscii(c));
    }
    return a.find(b) != std::wstring::npos;
}
} // namespace

RecordingControlMenu::RecordingControlMenu(sim::SimDesktop& desktop, std::uint32_t processId,
                                           RecordingControlMenuFactory* factory)
    : m_desktop(desktop), m_processId(processId), m_factory(factory) {}

RecordingControlMenu::~RecordingControlMenu() {
    if (m_factory != nullptr && m_factory->m_menu == this) {
        m_factory->m_menu = nullptr;
    }
    if (m_window != 0) {
        m_desktop.destroyWindow(m_window);
    }
}

bool RecordingControlMenu::create(platform::WindowHandle owner) {
    sim::SimDesktop::WindowInfo info;
    info.className = L"QuickMenu";
    info.title = L"QuickMenu";
    info.style = kWsPopup;
    info.processId = m_processId;
    info.owner = owner;
    m_owner = owner;
    m_window = m_desktop.addModelWindow(info, nullptr);
    return m_window != 0;
}

void RecordingControlMenu::addItem(const std::wstring& label, platform::MessageId message) {
    m_entries.push_back({label, message});
}

void RecordingControlMenu::show() {
    if (sim::SimDesktop::WindowInfo* info = m_desktop.mutableInfo(m_window)) {
        info->visible = true;
        info->style |= kWsVisible;
    }
    m_visible = true;
    m_shown.push_back({m_desktop.clock().now(), m_title, m_entries});
}

void RecordingControlMenu::hide() {
    if (sim::SimDesktop::WindowInfo* info = m_desktop.mutableInfo(m_window)) {
        info->visible = false;
        info->style &= ~kWsVisible;
    }
    m_visible = false;
}

bool RecordingControlMenu::choose(const std::wstring& label) {
    if (!m_visible) {
        return false;
    }
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&label](const Entry& e) { return containsNoCase(e.label, label); });
    if (it == m_entries.end()) {
        return false;
    }
    const platform::MessageId message = it->message;
    hide();
    return m_desktop.post(m_owner, message, 0, 0, m_processId);
}

std::unique_ptr<ControlMenu> RecordingControlMenuFactory::createControlMenu() {
    if (failNext) {
        failNext = false;
        return nullptr;
    }
    auto menu = std::make_unique<RecordingControlMenu>(m_desktop, m_processId, this);
    m_menu = menu.get();
    return menu;
}

} // namespace simrun

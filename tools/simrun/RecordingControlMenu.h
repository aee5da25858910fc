// A stand-in for the on-screen control menu in the simulated world: a top-level pop-up window
// "QuickMenu" owned by the controller's window, which remembers its title, entries and
// visibility and every time it was shown, and lets a test or scenario choose an entry as the
// user would (the menu hides and posts the entry's message to its owner). Made by
// RecordingControlMenuFactory, which keeps the menu it made last.
// Simulation.
#pragma once

#include "controller/launcher/ControlMenu.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <string>
#include <vector>

namespace simrun {

class RecordingControlMenuFactory;

class RecordingControlMenu final : public ControlMenu {
public:
    struct Entry {
        std::wstring label;
        platform::MessageId message = 0;
        bool operator==(const Entry&) const = default;
    };
    struct Showing {
        std::uint64_t time = 0;
        std::wstring title;
        std::vector<Entry> entries;
    };

    RecordingControlMenu(sim::SimDesktop& desktop, std::uint32_t processId, RecordingControlMenuFactory* factory);
    ~RecordingControlMenu() override;

    bool create(platform::WindowHandle owner) override;
    platform::WindowHandle window() const override { return m_window; }
    void clearItems() override { m_entries.clear(); }
    void setTitle(const std::wstring& title) override { m_title = title; }
    void addItem(const std::wstring& label, platform::MessageId message) override;
    void show() override;
    void hide() override;
    bool isVisible() const override { return m_visible; }

    // The user confirms the first entry whose label contains `label` (any case): false when
    // the menu is hidden or has no such entry.
    bool choose(const std::wstring& label);

    const std::wstring& title() const { return m_title; }
    const std::vector<Entry>& entries() const { return m_entries; }
    const std::vector<Showing>& shown() const { return m_shown; }

private:
    sim::SimDesktop& m_desktop;
    std::uint32_t m_processId;
    RecordingControlMenuFactory* m_factory;
    platform::WindowHandle m_owner = 0;
    platform::WindowHandle m_window = 0;
    std::wstring m_title;
    std::vector<Entry> m_entries;
    std::vector<Showing> m_shown;
    bool m_visible = false;
};

class RecordingControlMenuFactory final : public ControlMenuFactory {
public:
    RecordingControlMenuFactory(sim::SimDesktop& desktop, std::uint32_t processId)
        : m_desktop(desktop), m_processId(processId) {}
    std::unique_ptr<ControlMenu> createControlMenu() override;

    // The menu made last, while it exists; null otherwise.
    RecordingControlMenu* menu() const { return m_menu; }
    // The next request makes no menu (a failure to create it).
    bool failNext = false;

private:
    friend class RecordingControlMenu;
    sim::SimDesktop& m_desktop;
    std::uint32_t m_processId;
    RecordingControlMenu* m_menu = nullptr;
};

} // namespace simrun

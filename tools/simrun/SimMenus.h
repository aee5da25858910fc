// The controller's control menu in the simulated world: the real QuickMenu made by the same
// QuickMenuFactory as in Sentrixd.exe, on the program's simulated windowing and on a drawing
// port that records what is drawn. Remembers every time the launcher's menu was shown, and
// acts as the user at the keyboard: keys go to the menu's window as key messages, which the
// controller's message loop hands to the menu.
// Simulation.
#pragma once

#include "controller/launcher/AppLauncher.h"
#include "controller/menu/QuickMenu.h"
#include "sim/SimDesktop.h"
#include "sim/SimDrawing.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace simrun {

class SimMenus final : public ControlMenuFactory {
public:
    struct Showing {
        std::uint64_t time = 0;
        std::wstring title;
        std::vector<std::wstring> entries;
    };

    SimMenus(sim::SimDesktop& desktop, platform::Windowing& windowing);
    ~SimMenus() override;
    SimMenus(const SimMenus&) = delete;
    SimMenus& operator=(const SimMenus&) = delete;

    std::unique_ptr<ControlMenu> createControlMenu() override;
    // The next request makes no menu (a failure to create it).
    bool failNext = false;

    // Whose menu this is: the launcher that asked for it.
    void watch(const AppLauncher& launcher) { m_launcher = &launcher; }
    // The launcher's menu, while it exists; null otherwise.
    QuickMenu* menu() const;
    // Each time the launcher showed the menu (also over itself), oldest first, with the title and entries it
    // showed.
    const std::vector<Showing>& shown() const { return m_shown; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() {
        m_shown.clear();
        m_drawing.clearOps();
    }
    sim::SimDrawing& drawing() { return m_drawing; }

    // The user presses and releases a key on the shown menu. False when no menu is shown.
    bool press(std::uint32_t virtualKey);
    // The user moves the selection down to the first entry whose label contains `fragment`
    // (any case) and presses Enter. False when no menu is shown or none has such an entry.
    bool choose(const std::wstring& fragment);

private:
    void onShown(platform::WindowHandle window);

    sim::SimDesktop& m_desktop;
    sim::SimDrawing m_drawing;
    QuickMenuFactory m_factory;
    const AppLauncher* m_launcher = nullptr;
    std::vector<Showing> m_shown;
    int m_observer = 0;
};

} // namespace simrun

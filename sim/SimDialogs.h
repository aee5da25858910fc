// The dialogs of one simulated program: its resources (dialog templates, string table, icons and
// bitmaps) and the dialog windows made from them on the simulated desktop, with their controls
// addressed by identifier. A test or scenario reads what a dialog shows (title, control texts,
// check and enabled states, what was painted) and acts as the user does: clicks a button or a
// check box, presses Enter or Esc, clicks the close box. Each dialog stays on record after its
// window is gone, with how it ended.
// Simulation.
#pragma once

#include "platform/Dialogs.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// Control kinds of a dialog template.
enum class ControlKind { PushButton, DefPushButton, CheckBox, AutoCheckBox, Static, Picture };

struct ControlTemplate {
    int id = platform::dlg::kIdStatic;
    ControlKind kind = ControlKind::Static;
    std::wstring text;
    platform::ResourceId image = 0; // a picture's bitmap resource
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
};

struct DialogTemplate {
    std::wstring title;
    std::uint32_t style = 0;
    int cx = 0, cy = 0; // dialog units
    std::wstring font;
    int pointSize = 0;
    std::wstring className; // empty: the standard dialog class "#32770"
    std::vector<ControlTemplate> controls;
};

struct ProgramResources {
    std::map<platform::ResourceId, DialogTemplate> dialogs;
    std::map<platform::ResourceId, std::wstring> strings;
    std::map<platform::ResourceId, std::pair<int, int>> bitmaps; // width, height in pixels
    std::vector<platform::ResourceId> icons;
};

// Window style bits of templates.
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsDisabled = 0x08000000;

class SimDialogs final : public platform::Dialogs {
public:
    struct Control {
        ControlTemplate layout;
        std::wstring text;
        int check = platform::kBstUnchecked;
        bool enabled = true;
    };
    struct Draw {
        platform::ResourceId bitmap;
        int x, y;
    };
    enum class Ending { Open, Destroyed, Ended };
    struct Dialog {
        platform::ResourceId templateId = 0;
        platform::WindowHandle window = 0;
        bool modal = false;
        std::uint64_t createdAt = 0;
        bool initialised = false; // its WM_INITDIALOG has returned
        std::wstring title;
        std::vector<Control> controls;
        platform::ResourceId icon = 0;
        int clientWidth = 0, clientHeight = 0; // pixels
        std::vector<Draw> lastPaint;
        std::vector<std::pair<std::uint32_t, std::wstring>> systemMenuItems;
        Ending ending = Ending::Open;
        std::intptr_t endResult = 0;
        std::uint64_t endedAt = 0;
        Control* control(int id);
        const Control* control(int id) const;
    };

    // Dialog base units of "MS Shell Dlg" 8 point at 96 dpi: 4 horizontal units are 6 pixels,
    // 8 vertical units 13 pixels.
    static constexpr int kBaseUnitX = 6;
    static constexpr int kBaseUnitY = 13;

    SimDialogs(SimDesktop& desktop, UiThread& thread, ProgramResources resources);
    ~SimDialogs() override;

    const ProgramResources& resources() const { return m_resources; }

    // Every dialog this program has made, oldest first.
    const std::deque<std::unique_ptr<Dialog>>& dialogs() const { return m_dialogs; }
    // Forgets the dialogs whose windows are gone, so that a long run keeps its memory flat.
    void clearRecords();
    // The record of a dialog window, also after it is gone; null for any other window.
    Dialog* find(platform::WindowHandle window);
    // The newest dialog made from `templateId` whose window still exists; null when none.
    Dialog* openDialog(platform::ResourceId templateId);
    // Called when a modal dialog has been initialised and its loop is about to run.
    std::function<void(platform::WindowHandle)> onModalShown;

    // The user: clicks a control (an auto check box toggles first; a disabled control does
    // nothing), presses Enter (the default push button) or Esc, or clicks the close box. False
    // when nothing could be clicked.
    bool click(platform::WindowHandle dialog, int id);
    bool pressEnter(platform::WindowHandle dialog);
    bool pressEscape(platform::WindowHandle dialog);
    bool clickCloseBox(platform::WindowHandle dialog);
    // Sends WM_PAINT as the system does when the window needs painting.
    bool paint(platform::WindowHandle dialog);
    // SendMessageW to a dialog window (from the system or any program); 0 for no such dialog.
    platform::LResult sendMessage(platform::WindowHandle window, platform::MessageId message,
                                  platform::WParam wParam, platform::LParam lParam);
    // Resizes the client area (pixels), as the user dragging a frame would.
    bool resizeClient(platform::WindowHandle dialog, int width, int height);

    platform::WindowHandle createDialog(platform::ResourceId templateId, platform::WindowHandle owner,
                                        platform::DialogClient& client) override;
    std::intptr_t runModalDialog(platform::ResourceId templateId, platform::WindowHandle owner,
                                 platform::DialogClient& client) override;
    bool endDialog(platform::WindowHandle dialog, std::intptr_t result) override;
    bool destroyDialog(platform::WindowHandle dialog) override;
    bool isDialog(platform::WindowHandle dialog) override;
    bool showDialog(platform::WindowHandle dialog, int command) override;
    bool setTitle(platform::WindowHandle dialog, const wchar_t* text) override;
    bool setItemText(platform::WindowHandle dialog, int id, const wchar_t* text) override;
    int itemText(platform::WindowHandle dialog, int id, wchar_t* buffer, int capacity) override;
    int checkState(platform::WindowHandle dialog, int id) override;
    bool setCheckState(platform::WindowHandle dialog, int id, int state) override;
    bool enableItem(platform::WindowHandle dialog, int id, bool enable) override;
    bool isItemEnabled(platform::WindowHandle dialog, int id) override;
    bool setIcon(platform::WindowHandle dialog, platform::ResourceId icon) override;
    platform::TimerId setTimer(platform::WindowHandle dialog, platform::TimerId id,
                               std::uint32_t periodMs) override;
    bool killTimer(platform::WindowHandle dialog, platform::TimerId id) override;
    bool appendSystemMenuItem(platform::WindowHandle dialog, std::uint32_t command,
                              const wchar_t* text) override;
    int loadString(platform::ResourceId id, wchar_t* buffer, int capacity) override;

private:
    class Binding;

    Dialog* live(platform::WindowHandle window);
    platform::WindowHandle make(platform::ResourceId templateId, platform::WindowHandle owner,
                                platform::DialogClient& client, bool modal);

    SimDesktop& m_desktop;
    UiThread& m_thread;
    ProgramResources m_resources;
    std::deque<std::unique_ptr<Dialog>> m_dialogs;
    std::map<platform::WindowHandle, std::unique_ptr<Binding>> m_bindings;
};

// Copies at most capacity − 1 characters of `text` and a terminator (the Win32 text getters'
// rule); returns the characters copied.
int copyText(const std::wstring& text, wchar_t* buffer, int capacity);

} // namespace sim

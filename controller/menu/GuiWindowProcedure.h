// The window procedure shared by every window of the component toolkit's class: a process-wide
// ordered map from window to root component. WM_CREATE inserts the window with its creation
// parameter, every message of a mapped window goes to that component's windowProc, and the pair
// is removed once WM_DESTROY has been handled. Messages of other windows go to the standard
// procedure. Portable.
#pragma once

#include "platform/Windowing.h"

#include <map>

// A root component that owns a window of the toolkit's class.
class GuiWindowOwner {
public:
    virtual platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                         platform::WParam wParam, platform::LParam lParam) = 0;

protected:
    ~GuiWindowOwner() = default;
};

class GuiWindowProcedure final : public platform::WindowClient {
public:
    static GuiWindowProcedure& instance();

    // Registers the toolkit's class through `windowing` unless this process has it already;
    // false when it exists neither before nor after.
    bool registerClass(platform::Windowing& windowing);

    // Creates a window of the class for `owner`: the creation parameter is accepted for
    // insertion only while this call runs, so a WM_CREATE from anywhere else inserts nothing.
    platform::WindowHandle createWindow(platform::Windowing& windowing, GuiWindowOwner& owner,
                                        const wchar_t* title, std::uint32_t style,
                                        platform::WindowHandle ownerWindow);

    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override;

    // Drops every pair of this component (its destructor calls this: a window whose destruction
    // failed must not keep a dangling pair).
    void forget(const GuiWindowOwner& owner);
    GuiWindowOwner* find(platform::WindowHandle window) const;
    std::size_t size() const { return m_windows.size(); }

private:
    GuiWindowProcedure() = default;

    std::map<platform::WindowHandle, GuiWindowOwner*> m_windows;
    platform::Windowing* m_windowing = nullptr; // the port of the class's windows
    GuiWindowOwner* m_creating = nullptr;
};

inline constexpr const wchar_t* kGuiWindowClass = L"GuiLib_WindowClass";
// CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS
inline constexpr std::uint32_t kGuiWindowClassStyle = 0x0B;

// What the application launcher needs of its on-screen control menu: a window owned by the
// main window, a title, an ordered list of entries (label, registered message), showing and
// hiding. Choosing an entry hides the menu and posts the entry's message to the owner.
// Portable.
#pragma once

#include "platform/Types.h"

#include <memory>
#include <string>

class ControlMenu {
public:
    virtual ~ControlMenu() = default;

    // Creates the menu's window, owned by `owner`, which is also where chosen entries'
    // messages go. False when the window could not be created; the menu then shows nothing.
    virtual bool create(platform::WindowHandle owner) = 0;
    // The menu's window; null before create or when it failed.
    virtual platform::WindowHandle window() const = 0;

    virtual void clearItems() = 0;
    virtual void setTitle(const std::wstring& title) = 0;
    virtual void addItem(const std::wstring& label, platform::MessageId message) = 0;

    // Lays the entries out, places the window topmost in the middle of the screen, shows it
    // (SW_SHOW), marks it visible and selects the first entry. The caller brings the window
    // to the front first.
    virtual void show() = 0;
    // Hides the window (SW_HIDE) and clears the visible mark.
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
};

// Makes the launcher's menu; null when it cannot be made.
class ControlMenuFactory {
public:
    virtual ~ControlMenuFactory() = default;
    virtual std::unique_ptr<ControlMenu> createControlMenu() = 0;
};

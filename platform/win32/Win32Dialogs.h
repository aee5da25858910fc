// Dialogs port over user32 and GDI: dialogs from the program's own dialog template resources,
// their controls, icons, timers and system menu, bitmap resources drawn into them, and the
// program's string table. Win32 only.
#pragma once

#include "platform/Dialogs.h"

namespace platform::win32 {

class Win32Dialogs final : public Dialogs {
public:
    WindowHandle createDialog(ResourceId templateId, WindowHandle owner, DialogClient& client) override;
    std::intptr_t runModalDialog(ResourceId templateId, WindowHandle owner, DialogClient& client) override;
    bool endDialog(WindowHandle dialog, std::intptr_t result) override;
    bool destroyDialog(WindowHandle dialog) override;
    bool isDialog(WindowHandle dialog) override;
    bool showDialog(WindowHandle dialog, int command) override;
    bool setTitle(WindowHandle dialog, const wchar_t* text) override;
    bool setItemText(WindowHandle dialog, int id, const wchar_t* text) override;
    int itemText(WindowHandle dialog, int id, wchar_t* buffer, int capacity) override;
    int checkState(WindowHandle dialog, int id) override;
    bool setCheckState(WindowHandle dialog, int id, int state) override;
    bool enableItem(WindowHandle dialog, int id, bool enable) override;
    bool isItemEnabled(WindowHandle dialog, int id) override;
    bool setIcon(WindowHandle dialog, ResourceId icon) override;
    TimerId setTimer(WindowHandle dialog, TimerId id, std::uint32_t periodMs) override;
    bool killTimer(WindowHandle dialog, TimerId id) override;
    bool appendSystemMenuItem(WindowHandle dialog, std::uint32_t command, const wchar_t* text) override;
    int loadString(ResourceId id, wchar_t* buffer, int capacity) override;
};

} // namespace platform::win32

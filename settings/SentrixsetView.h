// What the settings program's dialogs need from the dialog on the screen: controls addressed
// by identifier (text, check state, enabled state), the caption, the string table, the system
// menu, the icons, and closing. The dialog logic is written against it; an adapter over the
// platform's dialogs carries it out.
// Portable.
#pragma once

#include <string>

namespace settings {

class SentrixsetView {
public:
    virtual ~SentrixsetView() = default;

    // A string of the program's string table; empty when it is missing.
    virtual std::wstring loadString(int id) = 0;
    virtual void setCaption(const std::wstring& text) = 0;
    virtual void setItemText(int id, const std::wstring& text) = 0;
    virtual bool isChecked(int id) = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void enableItem(int id, bool enabled) = 0;
    // A separator and a command item at the end of the window's system menu.
    virtual void appendSystemMenuItem(int command, const std::wstring& text) = 0;
    // The program icon as the window's big and small icon.
    virtual void setIcons() = 0;
    // Shows the About dialog modally and returns when it closes.
    virtual void showAboutDialog() = 0;
    // Ends the dialog with this result (1 OK, 2 Cancel).
    virtual void endDialog(int result) = 0;
};

} // namespace settings

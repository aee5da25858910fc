// What the firmware simulator sees of the controller's windows on the screen, as the user in
// front of it would: the control menu and the newest notice, each read from the real window
// and from the screen's pixels, with a picture of the screen kept for every look. The program
// implements it with Win32 and GDI; tests with a stand-in.
// Portable.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fwsim {

class ScreenObserver {
public:
    struct MenuSight {
        bool visible = false;
        std::vector<std::wstring> entries; // the labels recognised on the items, in order
        int selected = -1;                 // the highlighted item; -1 for none
        // What is drawn otherwise than the menu must look (position, size, colours); empty
        // when it looks right. Only looked at while the menu is visible.
        std::vector<std::string> faults;
        std::string picture; // the file of the screenshot taken; empty when none was kept
    };
    struct NoticeSight {
        bool open = false;
        std::wstring title;
        std::wstring message;
        std::wstring checkBoxText;
        bool checked = false;
        std::vector<std::string> faults;
        std::string picture;
    };

    virtual ~ScreenObserver() = default;

    // The controller's control menu; nothing when it has no menu window.
    virtual std::optional<MenuSight> controlMenu() = 0;
    // The newest notice of the controller that is open, or, when none is open, a closed one;
    // nothing when no notice was seen yet.
    virtual std::optional<NoticeSight> notice() = 0;
    // A key pressed on the menu; empty, or why it could not be pressed.
    virtual std::string pressMenuKey(unsigned virtualKey) = 0;
    // The user clicks a control of the open notice (a check box or a button, by control id)
    // or its close box (control id 0); empty, or why it could not be clicked.
    virtual std::string clickNotice(int controlId) = 0;
};

} // namespace fwsim

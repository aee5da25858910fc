// The firmware simulator's eyes on the screen under Windows: the controller's control menu and
// notice are found by their windows, read back from the screen's pixels through GDI and compared
// with how they must look; a BMP of the screen is kept for every look.
//
// The menu's labels are recognised by drawing each label the menu could show (the built-in
// items', the custom items' display names in the user's Launcher key, the closing entry) with
// the menu's own drawing code into a picture of its own and comparing the ink of the text with
// each item on the screen.
// Win32 only.
#pragma once

#include "tools/firmware-sim/ScreenObserver.h"
#include "tools/firmware-sim/win32/Win32ScreenImage.h"

#include <string>
#include <vector>

namespace fwsim {

class Win32ScreenObserver final : public ScreenObserver {
public:
    // Pictures are written into `pictureFolder` (nothing kept when it is empty).
    explicit Win32ScreenObserver(std::string pictureFolder);
    ~Win32ScreenObserver() override;

    std::optional<MenuSight> controlMenu() override;
    std::optional<NoticeSight> notice() override;
    std::string pressMenuKey(unsigned virtualKey) override;
    std::string clickNotice(int controlId) override;

private:
    std::string keepPicture(const ScreenImage& shot, const char* what);
    std::vector<std::wstring> menuLabels() const;

    std::string m_pictureFolder;
    int m_pictures = 0;
    std::optional<NoticeSight> m_lastNotice; // what was seen of the last notice while it was open
};

} // namespace fwsim

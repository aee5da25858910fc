// The output-change tool: asks the running controller to change the HDMI output by posting the
// registered message "HDMIOUT_CHANGE_OUTPUT" (wParam 0, lParam 0) to its main window, and ends.
// This is the body of the program's wWinMain and logs under that name, module "Outswap".
// Portable.
#pragma once

#include "platform/Windowing.h"

class Outswap {
public:
    static constexpr const wchar_t* kChangeOutputMessage = L"HDMIOUT_CHANGE_OUTPUT";
    static constexpr int kExitCode = 0; // whatever happened

    explicit Outswap(platform::Windowing& windowing) : m_windowing(windowing) {}
    Outswap(const Outswap&) = delete;
    Outswap& operator=(const Outswap&) = delete;

    // Logs its entry, registers the message, posts it when the controller's window exists;
    // returns the exit code. A missing window or a failed post is not reported.
    int run();

private:
    platform::Windowing& m_windowing;
};

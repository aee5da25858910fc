// The media control windows of the simulated desktop (platform::MediaControl) and the PC's disc
// drive behind the "cdaudio" device.
// A media control window is a window of class "MCIWndClass" with the style asked for; as a
// child (WS_CHILD) it needs a parent window that exists, else creation fails (0). Its messages:
//   MCIWNDM_OPENW "cdaudio": opens the disc drive (0) when there is one; without a drive, or any
//                 other device or file, the open fails with an MCI error (non-zero), shown as an
//                 error dialog unless the window has MCIWNDF_NOERRORDLG;
//   MCIWNDM_CAN_EJECT: 1 when the opened drive can eject, else 0;
//   MCIWNDM_EJECT: ejects the disc of an opened drive that can eject (recorded);
//   WM_CLOSE: closes the device and destroys the window.
// Messages to a window that is not a media control window answer 0 and do nothing.
// Simulation.
#pragma once

#include "platform/MediaControl.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

class SimMediaControl final : public platform::MediaControl {
public:
    static constexpr const wchar_t* kWindowClass = L"MCIWndClass";
    static constexpr const wchar_t* kDiscDevice = L"cdaudio";
    static constexpr std::uint32_t kWsChild = 0x40000000;
    static constexpr platform::LResult kMciErrorDeviceNotReady = 276;   // MCIERR_DEVICE_NOT_READY
    static constexpr platform::LResult kMciErrorCannotLoadDriver = 266; // MCIERR_CANNOT_LOAD_DRIVER

    struct Created {
        std::uint64_t time = 0;
        platform::WindowHandle window = 0;
        platform::WindowHandle parent = 0;
        std::uint32_t style = 0;
    };

    explicit SimMediaControl(SimDesktop& desktop) : m_desktop(desktop) {}

    // The disc drive: whether there is one, and whether it can eject (a drive that has no tray
    // motor, or whose eject is locked, cannot).
    void setDrive(bool present, bool ejectable) {
        m_drivePresent = present;
        m_driveEjectable = ejectable;
    }
    bool drivePresent() const { return m_drivePresent; }

    const std::vector<Created>& created() const { return m_created; }
    const std::vector<std::uint64_t>& ejects() const { return m_ejects; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() {
        m_ejects.clear();
        m_created.clear();
    }
    int errorDialogs() const { return m_errorDialogs; }
    // Media control windows still open.
    std::size_t openWindows() const { return m_windows.size(); }

    platform::WindowHandle createMediaWindow(platform::WindowHandle parent, std::uint32_t style,
                                             const wchar_t* file) override;
    platform::LResult sendMediaMessage(platform::WindowHandle window, platform::MessageId message,
                                       platform::WParam wParam, platform::LParam lParam) override;

private:
    struct State {
        std::uint32_t style = 0;
        bool open = false;
    };
    platform::LResult open(State& state, const wchar_t* device);

    SimDesktop& m_desktop;
    bool m_drivePresent = false;
    bool m_driveEjectable = true;
    std::map<platform::WindowHandle, State> m_windows;
    std::vector<Created> m_created;
    std::vector<std::uint64_t> m_ejects;
    int m_errorDialogs = 0;
};

} // namespace sim

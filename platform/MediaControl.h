// Media control window port: an MCI window (MCIWndCreateW) through which a device is opened
// and driven by window messages, and closed again with WM_CLOSE.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

// Messages of the media control window (WM_USER based).
namespace mciwnd {
inline constexpr MessageId kEject = 0x046B;    // MCIWNDM_EJECT
inline constexpr MessageId kCanEject = 0x0494; // MCIWNDM_CAN_EJECT
inline constexpr MessageId kOpenW = 0x04FC;    // MCIWNDM_OPENW: lParam a terminated device or file name

// Window style bits.
inline constexpr std::uint32_t kNoPlaybar = 0x0002;
inline constexpr std::uint32_t kNoErrorDialog = 0x4000;
inline constexpr std::uint32_t kNotifyMode = 0x0100;
inline constexpr std::uint32_t kShowAll = 0x0070;
} // namespace mciwnd

class MediaControl : public Port {
public:
    // Creates the media control window as a child of `parent` in the program's own instance,
    // with the style and, when `file` is not null, the file or device opened. 0 on failure.
    virtual WindowHandle createMediaWindow(WindowHandle parent, std::uint32_t style, const wchar_t* file) = 0;
    // SendMessageW to the media control window. For kOpenW `lParam` points to a terminated
    // UTF-16 device name.
    virtual LResult sendMediaMessage(WindowHandle window, MessageId message, WParam wParam,
                                     LParam lParam) = 0;
};

} // namespace platform

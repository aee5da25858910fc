// Window messages and key-state helpers of the component toolkit. Portable.
#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace gui {

namespace msg {
// Messages the platform already names come from it; the toolkit names the others it handles.
using platform::wm::kClose;
using platform::wm::kCreate;
using platform::wm::kDestroy;
using platform::wm::kPaint;
using platform::wm::kTimer;
inline constexpr platform::MessageId kSize = 0x0005;
inline constexpr platform::MessageId kActivate = 0x0006;
inline constexpr platform::MessageId kKillFocus = 0x0008;
inline constexpr platform::MessageId kGetMinMaxInfo = 0x0024;
inline constexpr platform::MessageId kKeyDown = 0x0100;
inline constexpr platform::MessageId kKeyUp = 0x0101;
inline constexpr platform::MessageId kChar = 0x0102;
inline constexpr platform::MessageId kSysKeyDown = 0x0104;
inline constexpr platform::MessageId kSysKeyUp = 0x0105;
inline constexpr platform::MessageId kSysChar = 0x0106;
inline constexpr platform::MessageId kMouseMove = 0x0200;
inline constexpr platform::MessageId kLButtonDown = 0x0201;
inline constexpr platform::MessageId kLButtonUp = 0x0202;
inline constexpr platform::MessageId kLButtonDblClk = 0x0203;
inline constexpr platform::MessageId kRButtonDown = 0x0204;
inline constexpr platform::MessageId kRButtonUp = 0x0205;
inline constexpr platform::MessageId kRButtonDblClk = 0x0206;
inline constexpr platform::MessageId kMButtonDown = 0x0207;
inline constexpr platform::MessageId kMButtonUp = 0x0208;
inline constexpr platform::MessageId kMButtonDblClk = 0x0209;
inline constexpr platform::MessageId kMouseWheel = 0x020A;
} // namespace msg

// The signed 16-bit halves of an lParam (GET_X_LPARAM, GET_Y_LPARAM) and of a wParam.
constexpr int lowWordSigned(std::uintptr_t value) {
    return static_cast<std::int16_t>(value & 0xFFFF);
}
constexpr int highWordSigned(std::uintptr_t value) {
    return static_cast<std::int16_t>((value >> 16) & 0xFFFF);
}
constexpr unsigned lowWord(std::uintptr_t value) {
    return static_cast<unsigned>(value & 0xFFFF);
}
constexpr unsigned highWord(std::uintptr_t value) {
    return static_cast<unsigned>((value >> 16) & 0xFFFF);
}

} // namespace gui

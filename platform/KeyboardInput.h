// Keyboard input port: synthesized key strokes sent as one batch of keyboard events
// (SendInput with keyboard INPUT records).
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>

namespace platform {

// KEYEVENTF_KEYUP.
inline constexpr std::uint32_t kKeyEventKeyUp = 0x0002;

// One keyboard INPUT record.
struct KeyEvent {
    std::uint16_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    std::uint32_t flags = 0; // 0: key down; kKeyEventKeyUp: key up
    std::uint32_t time = 0;
    std::uintptr_t extraInfo = 0;
};

class KeyboardInput : public Port {
public:
    // SendInput: inserts the events into the input stream as one uninterrupted batch; returns
    // the number of events inserted (0 when input is blocked).
    virtual std::uint32_t sendInput(const KeyEvent* events, std::uint32_t count) = 0;
};

} // namespace platform

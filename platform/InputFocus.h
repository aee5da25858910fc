// Input focus port: the thread that owns a window, sharing input state between two threads,
// and bringing a window to the foreground (GetWindowThreadProcessId, AttachThreadInput,
// SetForegroundWindow).
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

class InputFocus : public Port {
public:
    // The identifier of the thread that created the window, 0 for no window; the owning
    // process into `processId` when it is given.
    virtual std::uint32_t windowThreadProcessId(WindowHandle window, std::uint32_t* processId) = 0;
    // Attaches (or detaches) the input processing of thread `attach` to that of `attachTo`.
    virtual bool attachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool attachIt) = 0;
    virtual bool setForegroundWindow(WindowHandle window) = 0;
};

} // namespace platform

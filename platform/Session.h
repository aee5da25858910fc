// Session and power port: session change notifications for a window, the active console
// session, and keeping the display on (WTSRegisterSessionNotification,
// WTSUnRegisterSessionNotification, WTSGetActiveConsoleSessionId, SetThreadExecutionState).
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

// Power and session event codes (wParam of WM_POWERBROADCAST and WM_WTSSESSION_CHANGE).
namespace pbt {
inline constexpr WParam kApmSuspend = 4;
inline constexpr WParam kApmResumeCritical = 6;
inline constexpr WParam kApmResumeSuspend = 7;
inline constexpr WParam kApmResumeAutomatic = 18;
} // namespace pbt
namespace wts {
inline constexpr WParam kSessionLock = 7;
inline constexpr WParam kSessionUnlock = 8;
} // namespace wts

inline constexpr std::uint32_t kEsDisplayRequired = 0x00000002;

class Session : public Port {
public:
    // Session notifications of the window's own session.
    virtual bool registerSessionNotification(WindowHandle window) = 0;
    virtual bool unregisterSessionNotification(WindowHandle window) = 0;
    virtual std::uint32_t activeConsoleSessionId() = 0;
    // Returns the previous state, 0 on failure.
    virtual std::uint32_t setThreadExecutionState(std::uint32_t flags) = 0;
};

} // namespace platform

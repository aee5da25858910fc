// The event service's delivery to a controller window found through the windowing port: the
// registered message "KORVATH_TILES_NOTIFY_EVENT" posted with wParam = event code and lParam 0
// to the window of class "#32770" titled "KorSentrixSuiteMain", looked up again for each event.
// In the firmware simulator program the port is the real Win32 one, so the events reach the
// real controller as the outside event service's would.
// Portable.
#pragma once

#include "platform/Windowing.h"
#include "sim/EventService.h"

namespace fwsim {

class WindowEventSink final : public sim::EventSink {
public:
    explicit WindowEventSink(platform::Windowing& windowing) : m_windowing(windowing) {}

    bool deliver(std::uint32_t code) override;

private:
    platform::Windowing& m_windowing;
    platform::MessageId m_message = 0;
};

} // namespace fwsim

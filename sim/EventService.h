// The firmware event service of the simulated world: a program of its own that tells the
// controller about firmware events by posting the registered message
// "KORVATH_TILES_NOTIFY_EVENT" (wParam = event code, lParam 0) to the window of class "#32770"
// titled "KorSentrixSuiteMain". Each event is looked up and posted when it happens; when the
// controller's window does not exist, the event is lost (recorded as not delivered).
// The posts go to the simulated desktop unless another sink is set: the firmware simulator
// program delivers the same events to the real controller's window.
// Simulation.
#pragma once

#include "common/ControllerIdentity.h"
#include "common/FirmwareEvents.h"
#include "sim/SimDesktop.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

namespace event = fwevent;

// Where the event service's posts go instead of the simulated desktop.
class EventSink {
public:
    virtual ~EventSink() = default;
    // Posts the event to the controller's window now; true when the window took it.
    virtual bool deliver(std::uint32_t code) = 0;
};

class EventService {
public:
    static constexpr std::uint32_t kDefaultProcessId = 0x264;
    static constexpr const wchar_t* kMessageName = L"KORVATH_TILES_NOTIFY_EVENT";

    struct Record {
        std::uint64_t time = 0;
        std::uint32_t code = 0;
        bool delivered = false;
    };

    EventService(VirtualClock& clock, SimDesktop& desktop, std::uint32_t processId = kDefaultProcessId);
    EventService(const EventService&) = delete;
    EventService& operator=(const EventService&) = delete;

    // Posts one event now; true when the controller's window took it.
    bool post(std::uint32_t code);

    // Delivers through `sink` from now on; null: the simulated desktop again.
    void setSink(EventSink* sink) { m_sink = sink; }

    std::uint32_t processId() const { return m_processId; }
    const std::vector<Record>& events() const { return m_events; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords() { m_events.clear(); }
    // Every event, as it is recorded.
    std::function<void(const Record&)> observer;

private:
    VirtualClock& m_clock;
    SimDesktop& m_desktop;
    std::uint32_t m_processId;
    EventSink* m_sink = nullptr;
    std::vector<Record> m_events;
};

} // namespace sim

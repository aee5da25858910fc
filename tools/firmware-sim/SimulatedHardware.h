// What the firmware simulator program simulates, in real time: the firmware behind the 24-byte
// record with its embedded CEC controller, the CEC bus with the TV, the display hardware and the
// event service (the peers of the simulated world, unchanged), driven by a RealTimeDriver.
// Clients on the pipe each get a device handle of the simulated firmware; their messages are
// served under the world lock. The event service delivers through the sink given (the real
// controller's window in the program). Event posts and the PC's frame requests are stamped in
// real microseconds for latency measurements; the bus and the events make the timeline.
// Portable.
#pragma once

#include "platform/FirmwareTransport.h"
#include "sim/Peers.h"
#include "sim/SimDesktop.h"
#include "sim/SimFirmware.h"
#include "sim/SimLibraries.h"
#include "sim/VirtualClock.h"
#include "tools/firmware-sim/RealTimeDriver.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fwsim {

class SimulatedHardware {
public:
    // A real-time stamp: an event the service posted, or a frame the PC asked its CEC controller
    // to transmit (stamped when the request arrived).
    struct Stamp {
        enum class Kind { EventPosted, FrameRequested };
        std::uint64_t microseconds = 0;
        Kind kind = Kind::EventPosted;
        std::uint32_t code = 0;  // the event code, or the frame's opcode (0x100 for a poll)
        std::uint8_t header = 0; // the frame's header block
    };

    explicit SimulatedHardware(RealTimeDriver::MicrosecondSource source = {});
    ~SimulatedHardware();
    SimulatedHardware(const SimulatedHardware&) = delete;
    SimulatedHardware& operator=(const SimulatedHardware&) = delete;

    RealTimeDriver& driver() { return m_driver; }

    // The world; use only inside driver().withWorld or a driver().waitFor condition.
    sim::VirtualClock& clock() { return m_clock; }
    sim::Peers& peers() { return m_peers; }
    sim::SimFirmware& firmware() { return m_firmware; }
    const std::vector<Stamp>& stamps() const { return m_stamps; }

    // Where the event service delivers (null: nowhere, every event is lost). Set before the
    // clock thread starts.
    void setEventSink(sim::EventSink* sink) { m_sink = sink; }

    // A client connected to the pipe: a device handle of its own, or kInvalidDevice.
    platform::DeviceHandle connect();
    void disconnect(platform::DeviceHandle device);
    // One request message of a client; the reply message, or nothing when the connection must
    // end (a message of no known kind).
    std::optional<std::vector<std::uint8_t>> serve(platform::DeviceHandle device, const std::uint8_t* message,
                                                   std::size_t size);

    // The decoded timeline of the bus and the events up to now, one line each:
    //   "    12.345 s  frame  Playback 1 -> Broadcast: Active Source [physical address 1.0.0.0]"
    //   "    12.300 s  event  0x1501 CEC message"
    std::string timeline();

private:
    class StampingSink final : public sim::EventSink {
    public:
        explicit StampingSink(SimulatedHardware& owner) : m_owner(owner) {}
        bool deliver(std::uint32_t code) override;

    private:
        SimulatedHardware& m_owner;
    };

    std::vector<std::uint8_t> serveFirmware(platform::DeviceHandle device, const std::uint8_t* message,
                                            std::uint64_t arrivedUs);
    std::vector<std::uint8_t> serveVendor(const protocol::VendorRequest& request);

    sim::VirtualClock m_clock;
    sim::SimDesktop m_desktop{m_clock}; // the peers need one; nothing runs on it
    sim::SimFirmware m_firmware{m_clock};
    sim::SimLibraries m_libraries{m_clock};
    sim::Peers m_peers{m_clock, m_desktop, m_firmware, m_libraries};
    StampingSink m_stampingSink{*this};
    sim::EventSink* m_sink = nullptr;
    std::vector<Stamp> m_stamps;
    RealTimeDriver m_driver; // last: its clock thread stops first
};

// The name of an event code for the timeline ("hot plug high", "remote key 0x44", ...).
std::string eventName(std::uint32_t code);

} // namespace fwsim

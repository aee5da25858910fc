// The CEC line of the simulated world: the devices attached to the PC's bus segment (its CEC
// controller always, the TV while the cable is plugged), frame delivery and the record of every
// frame for the timeline.
// Delivery is synchronous: transmit records the frame, then hands it to the device holding the
// destination address, or to every other attached device for a broadcast. A header-only frame
// is a poll: it reaches nobody, and its result tells the sender whether another device holds
// the polled address (the acknowledgement that address allocation looks for).
// Simulation.
#pragma once

#include "sim/CecOpcodes.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

// A device on the bus.
class CecDevice {
public:
    virtual ~CecDevice() = default;
    // The logical addresses the device holds, one bit per address (bit 0 = TV).
    virtual std::uint16_t logicalAddresses() const = 0;
    // A frame addressed to the device, or a broadcast; `time` is the virtual time.
    virtual void receive(const CecFrame& frame, std::uint64_t time) = 0;
    // Called on every attached device after a device joined or left the bus.
    virtual void busMembershipChanged(std::uint64_t /*time*/) {}
};

class CecBus {
public:
    struct Record {
        std::uint64_t time = 0;
        CecFrame frame;
        bool acknowledged = false; // directly addressed: a device took it; broadcast: always
        std::string describe() const { return describeFrame(frame); }
    };

    explicit CecBus(VirtualClock& clock);
    CecBus(const CecBus&) = delete;
    CecBus& operator=(const CecBus&) = delete;

    // Attaching twice or detaching a device that is not attached changes nothing.
    void attach(CecDevice* device);
    void detach(CecDevice* device);
    bool isAttached(const CecDevice* device) const;

    // Whether an attached device other than `except` holds the logical address (what a poll
    // would find), without putting anything on the bus.
    bool isPresent(std::uint8_t logicalAddress, const CecDevice* except = nullptr) const;
    // Logical addresses held by attached devices, one bit each.
    std::uint16_t presentAddresses() const;

    // Puts a frame of 1 to 16 bytes on the bus as sent by `sender` (which never receives its own
    // frame; without a sender, devices holding the initiator address are skipped, except for a
    // poll, whose initiator is the address being claimed). Returns the
    // acknowledgement: for a directly addressed frame or a poll, whether another device holds
    // the destination; for a broadcast, true. An empty or over-long frame is refused (false,
    // not recorded).
    bool transmit(const CecFrame& frame, const CecDevice* sender = nullptr);
    // A poll from `initiator` to `destination`.
    bool poll(std::uint8_t initiator, std::uint8_t destination, const CecDevice* sender = nullptr);

    const std::vector<Record>& records() const { return m_records; }
    void clearRecords() { m_records.clear(); }
    // Every frame, as it is recorded.
    std::function<void(const Record&)> observer;

private:
    void notifyMembership();

    VirtualClock& m_clock;
    std::vector<CecDevice*> m_devices;
    std::vector<Record> m_records;
};

} // namespace sim

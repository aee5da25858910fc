// The simulated CEC bus. Simulation.
#include "sim/CecBus.h"

#include <algorithm>

namespace sim {

CecBus::CecBus(VirtualClock& clock) : m_clock(clock) {}

void CecBus::attach(CecDevice* device) {
    if (device == nullptr || isAttached(device)) {
        return;
    }
    m_devices.push_back(device);
    notifyMembership();
}

void CecBus::detach(CecDevice* device) {
    const auto it = std::find(m_devices.begin(), m_devices.end(), device);
    if (it == m_devices.end()) {
        return;
    }
    m_devices.erase(it);
    notifyMembership();
}

bool CecBus::isAttached(const CecDevice* device) const {
    return std::find(m_devices.begin(), m_devices.end(), device) != m_devices.end();
}

bool CecBus::isPresent(std::uint8_t logicalAddress, const CecDevice* except) const {
    if (logicalAddress >= 0x0F) {
        return false; // nobody holds the broadcast address
    }
    const auto bit = static_cast<std::uint16_t>(1u << logicalAddress);
    return std::any_of(m_devices.begin(), m_devices.end(), [&](const CecDevice* device) {
        return device != except && (device->logicalAddresses() & bit) != 0;
    });
}

std::uint16_t CecBus::presentAddresses() const {
    std::uint16_t mask = 0;
    for (const CecDevice* device : m_devices) {
        mask |= device->logicalAddresses();
    }
    return static_cast<std::uint16_t>(mask & 0x7FFF);
}

bool CecBus::transmit(const CecFrame& frame, const CecDevice* sender) {
    if (frame.length == 0 || frame.length > kCecMaxFrame) {
        return false;
    }
    const std::uint8_t initiator = frame.initiator();
    const std::uint8_t destination = frame.destination();
    // Without a named sender, the device holding the initiator address sent the frame; a poll's
    // initiator is the address being claimed, so nobody is skipped for a poll.
    auto isSender = [&](const CecDevice* device) {
        if (sender != nullptr) {
            return device == sender;
        }
        return !frame.isPoll() && initiator != 0x0F && (device->logicalAddresses() & (1u << initiator)) != 0;
    };

    // The devices that take the frame, chosen before anything is delivered: a device that
    // answers at once may change the bus.
    std::vector<CecDevice*> targets;
    for (CecDevice* device : m_devices) {
        if (isSender(device)) {
            continue;
        }
        if (frame.isBroadcast() || (device->logicalAddresses() & (1u << destination)) != 0) {
            targets.push_back(device);
        }
    }
    bool acknowledged = true;
    if (frame.isPoll() || !frame.isBroadcast()) {
        acknowledged =
            destination != 0x0F && std::any_of(m_devices.begin(), m_devices.end(), [&](CecDevice* d) {
                return !isSender(d) && (d->logicalAddresses() & (1u << destination)) != 0;
            });
    }

    m_records.push_back(Record{m_clock.now(), frame, acknowledged});
    if (observer) {
        observer(m_records.back());
    }
    if (frame.isPoll()) {
        return acknowledged;
    }
    for (CecDevice* device : targets) {
        if (isAttached(device)) { // an earlier receiver may have detached it
            device->receive(frame, m_clock.now());
        }
    }
    return acknowledged;
}

bool CecBus::poll(std::uint8_t initiator, std::uint8_t destination, const CecDevice* sender) {
    return transmit(makePoll(initiator, destination), sender);
}

void CecBus::notifyMembership() {
    const std::vector<CecDevice*> devices = m_devices;
    for (CecDevice* device : devices) {
        if (isAttached(device)) {
            device->busMembershipChanged(m_clock.now());
        }
    }
}

} // namespace sim

// The simulated embedded CEC controller. Simulation.
#include "sim/CecControllerModel.h"

#include "common/Vendor.h"

#include <algorithm>

namespace sim {
namespace {

void packReply(const CecControllerModel::Reply& stored, FirmwareRecord& reply) {
    reply.w1 = 0;
    reply.w2 = static_cast<std::uint32_t>(stored.code) | static_cast<std::uint32_t>(stored.length) << 8;
    reply.w3 = reply.w4 = reply.w5 = 0;
    reply.putBytes(FirmwareRecord::kDataWord, stored.data.data(), stored.data.size());
}

// Payload length of each command the CECC knows.
std::optional<std::size_t> payloadLength(std::uint8_t code) {
    switch (code) {
    case cecc::kNotifyPhysicalAddress:
        return 2;
    case cecc::kSetOperationMode:
    case cecc::kSetSupportFeature:
    case cecc::kSetLogicalDevices:
        return 1;
    case cecc::kQueryCertificationStatus:
    case cecc::kGetOperationMode:
    case cecc::kGetSupportFeature:
    case cecc::kGetFirmwareVersion:
        return 0;
    case cecc::kSetOsdName:
        return cecc::kOsdNameLength;
    default:
        return std::nullopt;
    }
}

} // namespace

CecControllerModel::CecControllerModel(VirtualClock& clock, CecBus& bus, EventService& events)
    : m_bus(bus), m_events(events), m_actions(clock) {
    m_tvPresent = m_bus.isPresent(cecaddr::kTv, this);
    m_bus.attach(this);
}

CecControllerModel::~CecControllerModel() {
    m_actions.cancelAll();
    m_bus.detach(this);
}

std::uint32_t CecControllerModel::injectedStatus() {
    if (m_failing) {
        return fw::kStatusFailed;
    }
    if (m_failCount > 0) {
        --m_failCount;
        return fw::kStatusFailed;
    }
    if (m_busyCount > 0) {
        --m_busyCount;
        return fw::kStatusBusy;
    }
    return 0;
}

std::uint32_t CecControllerModel::command(std::uint8_t code, const std::uint8_t* payload,
                                          std::size_t length) {
    if (const std::uint32_t status = injectedStatus(); status != 0) {
        return status;
    }
    const std::optional<std::size_t> expected = payloadLength(code);
    if (!expected || *expected != length || (length != 0 && payload == nullptr)) {
        return fw::kStatusFailed;
    }
    switch (code) {
    case cecc::kNotifyPhysicalAddress:
        m_physicalAddress = static_cast<std::uint16_t>(payload[0] << 8 | payload[1]);
        break;
    case cecc::kSetOperationMode:
        m_operationMode = payload[0];
        break;
    case cecc::kSetSupportFeature:
        m_supportFeatures = payload[0];
        break;
    case cecc::kSetLogicalDevices:
        m_logicalDeviceMask = payload[0];
        break;
    case cecc::kSetOsdName:
        std::copy_n(payload, cecc::kOsdNameLength, m_osdName.begin());
        break;
    default:
        break;
    }
    if (!m_neverAnswers) {
        m_actions.after(m_responseDelay, [this, code] { answer(code); });
    }
    return 0;
}

void CecControllerModel::answer(std::uint8_t code) {
    switch (code) {
    case cecc::kNotifyPhysicalAddress:
        allocateLogicalAddress();
        storeStatusReply();
        break;
    case cecc::kQueryCertificationStatus:
        if (!m_tvVendor && m_bus.isPresent(cecaddr::kTv, this)) {
            ++m_vendorWaiters;
            askTvVendor();
            return; // answered when the vendor arrives or the wait ends
        }
        storeStatusReply();
        break;
    case cecc::kSetOperationMode:
    case cecc::kGetOperationMode:
        storeReply(cecc::kReplyOperationMode, {m_operationMode});
        break;
    case cecc::kSetSupportFeature:
    case cecc::kGetSupportFeature:
        storeReply(cecc::kReplySupportFeature, {m_supportFeatures});
        break;
    case cecc::kSetLogicalDevices:
        storeReply(cecc::kReplyLogicalDevices, {m_logicalDeviceMask});
        break;
    case cecc::kSetOsdName:
        storeReply(cecc::kReplyOsdName, {});
        break;
    case cecc::kGetFirmwareVersion:
        storeReply(cecc::kReplyFirmwareVersion,
                   {m_firmwareVersion[0], m_firmwareVersion[1], m_firmwareVersion[2]});
        break;
    default:
        return;
    }
    m_events.post(event::kCeccResponse);
}

void CecControllerModel::storeReply(std::uint8_t code, std::initializer_list<std::uint8_t> bytes) {
    Reply reply;
    reply.code = code;
    reply.length = static_cast<std::uint8_t>(std::min(bytes.size(), reply.data.size()));
    std::copy_n(bytes.begin(), reply.length, reply.data.begin());
    m_reply = reply;
}

void CecControllerModel::storeStatusReply() {
    const std::array<std::uint8_t, 5> status = certificationStatus();
    storeReply(cecc::kReplyCertificationStatus, {status[0], status[1], status[2], status[3], status[4]});
}

void CecControllerModel::allocateLogicalAddress() {
    m_logicalAddress = cecc::kNoLogicalAddress;
    if (m_physicalAddress == 0xFFFF) {
        return;
    }
    if (m_preferredAddress && !m_bus.poll(*m_preferredAddress, *m_preferredAddress, this)) {
        m_logicalAddress = *m_preferredAddress;
        return;
    }
    for (const std::uint8_t candidate : kCandidateAddresses) {
        if (!m_bus.poll(candidate, candidate, this)) {
            m_logicalAddress = candidate;
            return;
        }
    }
}

void CecControllerModel::askTvVendor() {
    if (m_vendorTimeout) {
        return; // already asked; this query waits with the others
    }
    const bool acknowledged =
        m_bus.transmit(makeFrame(initiator(), cecaddr::kTv, cecop::kGiveDeviceVendorId), this);
    if (!acknowledged) {
        finishVendorWait();
        return;
    }
    m_vendorTimeout = m_actions.after(m_vendorWait, [this] {
        m_vendorTimeout.reset();
        finishVendorWait();
    });
}

void CecControllerModel::finishVendorWait() {
    if (m_vendorTimeout) {
        m_actions.cancel(*m_vendorTimeout);
        m_vendorTimeout.reset();
    }
    for (; m_vendorWaiters > 0; --m_vendorWaiters) {
        storeStatusReply();
        m_events.post(event::kCeccResponse);
    }
}

std::uint8_t CecControllerModel::statusByte() const {
    std::uint8_t status = 0;
    if (m_physicalAddress != 0xFFFF && m_logicalAddress != cecc::kNoLogicalAddress) {
        status |= cecc::kStatusAddressValid;
    }
    if (m_tvVendor && *m_tvVendor == kKorvathVendorId) {
        status |= cecc::kStatusMakersTv;
    }
    if (m_bus.isPresent(cecaddr::kTv, this)) {
        status |= cecc::kStatusTvAnswers;
    }
    return status;
}

std::array<std::uint8_t, 5> CecControllerModel::certificationStatus() const {
    const std::uint16_t present = m_bus.presentAddresses();
    return {statusByte(), static_cast<std::uint8_t>(m_physicalAddress >> 8),
            static_cast<std::uint8_t>(m_physicalAddress & 0xFF), static_cast<std::uint8_t>(present & 0xFF),
            static_cast<std::uint8_t>(present >> 8)};
}

void CecControllerModel::notifyChange() {
    notifyStatus(static_cast<std::uint8_t>(statusByte() | cecc::kStatusChanged));
}

void CecControllerModel::notifyStatus(std::uint8_t status) {
    Reply notification;
    notification.code = cecc::kNotificationStatusChange;
    notification.length = 1;
    notification.data[0] = status;
    m_notification = notification;
    m_events.post(event::kCeccNotification);
}

std::uint32_t CecControllerModel::transmit(const std::uint8_t* frame, std::size_t length) {
    if (const std::uint32_t status = injectedStatus(); status != 0) {
        return status;
    }
    if (frame == nullptr || length == 0 || length > kCecMaxFrame) {
        return fw::kStatusFailed;
    }
    m_bus.transmit(makeFrameFromBytes(frame, length), this);
    return 0;
}

std::uint32_t CecControllerModel::read(std::uint32_t selector, FirmwareRecord& reply) {
    if (m_failing) {
        return fw::kStatusFailed;
    }
    switch (selector) {
    case fw::kSelectorCeccReply:
        packReply(m_reply, reply);
        return 0;
    case fw::kSelectorCeccNotification:
        packReply(m_notification, reply);
        return 0;
    case fw::kSelectorCecFrame: {
        std::size_t length = 0;
        if (!m_unread.empty()) {
            const CecFrame frame = m_unread.front();
            m_unread.pop_front();
            length = frame.length;
            std::copy_n(frame.bytes.begin(), length, m_frameBuffer.begin());
        }
        reply.w1 = static_cast<std::uint32_t>(length) << 24;
        reply.putBytes(FirmwareRecord::kFrameWord, m_frameBuffer.data(), m_frameBuffer.size());
        return 0;
    }
    default:
        return fw::kStatusFailed;
    }
}

std::uint16_t CecControllerModel::logicalAddresses() const {
    return m_logicalAddress == cecc::kNoLogicalAddress ? 0
                                                       : static_cast<std::uint16_t>(1u << m_logicalAddress);
}

void CecControllerModel::receive(const CecFrame& frame, std::uint64_t) {
    const std::optional<std::uint8_t> opcode = frame.opcode();
    if (!opcode) {
        return;
    }
    const bool direct = !frame.isBroadcast() && m_logicalAddress != cecc::kNoLogicalAddress &&
                        frame.destination() == m_logicalAddress;
    const std::uint8_t from = frame.initiator();
    if (direct && frame.length == 2) {
        switch (*opcode) {
        case cecop::kGivePhysicalAddress:
            m_actions.after(0, [this] {
                m_bus.transmit(
                    makeFrame(initiator(), cecaddr::kBroadcast, cecop::kReportPhysicalAddress,
                              {static_cast<std::uint8_t>(m_physicalAddress >> 8),
                               static_cast<std::uint8_t>(m_physicalAddress & 0xFF), cecval::kDevicePlayback}),
                    this);
            });
            return;
        case cecop::kGiveDevicePowerStatus:
            m_actions.after(0, [this, from] {
                m_bus.transmit(makeFrame(initiator(), from, cecop::kReportPowerStatus, {cecval::kPowerOn}),
                               this);
            });
            return;
        case cecop::kGetCecVersion:
            m_actions.after(0, [this, from] {
                m_bus.transmit(makeFrame(initiator(), from, cecop::kCecVersion, {cecval::kCecVersion14}),
                               this);
            });
            return;
        default:
            break;
        }
    }
    if (*opcode == cecop::kDeviceVendorId && from == cecaddr::kTv &&
        cecLayoutFit(frame) == CecLayoutFit::Complete) {
        m_tvVendor = static_cast<std::uint32_t>(frame.operand(0)) << 16 |
                     static_cast<std::uint32_t>(frame.operand(1)) << 8 | frame.operand(2);
        if (m_vendorWaiters > 0) {
            finishVendorWait();
            return; // the CECC asked for it: consumed
        }
    }
    forward(frame);
}

void CecControllerModel::forward(const CecFrame& frame) {
    if (m_unread.size() >= kMaxUnreadFrames) {
        m_unread.pop_front();
        ++m_dropped;
    }
    m_unread.push_back(frame);
    m_events.post(event::kCecMessage);
}

void CecControllerModel::busMembershipChanged(std::uint64_t) {
    const bool tvPresent = m_bus.isPresent(cecaddr::kTv, this);
    const bool wasPresent = m_tvPresent;
    m_tvPresent = tvPresent;
    if (!tvPresent && wasPresent) {
        m_tvVendor.reset();
    }
    if (m_logicalAddress != cecc::kNoLogicalAddress && m_bus.isPresent(m_logicalAddress, this)) {
        m_logicalAddress = cecc::kNoLogicalAddress; // another device took it
        notifyChange();
    } else if (tvPresent && !wasPresent && m_logicalAddress != cecc::kNoLogicalAddress) {
        notifyChange();
    }
}

} // namespace sim

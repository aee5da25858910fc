// The embedded CEC controller (CECC) of the simulated notebook: the register side that the
// firmware hands it (commands, frames to transmit, reads of its reply, frame and notification
// registers) and its place on the CEC bus. Attach it with firmware.attachCecc(&model).
//
// Commands (code, payload length) and their replies; every accepted command answers status 0
// and, after the response delay (100 ms of virtual time unless set), stores its reply for
// selector 0xC1 and raises event 0x1500 through the event service:
//   0x30 notify physical address (2): keeps the address. At the answer, 0xFF 0xFF releases the
//        logical address; any other address releases it and allocates one again by polling 4,
//        8 and 11 in that order, taking the first that no other device acknowledges (none
//        free: no logical address). Reply 0x32, the 5-byte certification status.
//   0x31 query certification status (0): when a TV answers on the bus and its vendor is not
//        known yet, the CECC first sends <Give Device Vendor ID> to it and waits (up to the
//        vendor wait, 1000 ms) for <Device Vendor ID>, which it consumes. Reply 0x32, 5 bytes.
//   0x07 set operation mode (1), 0x08 get operation mode (0): reply 0x09 with the mode.
//   0x0A set support feature (1), 0x0B get support feature (0): reply 0x0C with the mask.
//   0x04 set logical device types (1): reply 0x05 with the mask.
//   0x40 set OSD name (14): reply 0x41 without bytes.
//   0x02 get firmware version (0): reply 0x03 with 3 bytes (1, 4, 2 unless set).
// An unknown code, or a known code with another payload length, answers status 0x8000 and
// does nothing. Operation mode, support features and logical device types are kept and
// reported back; they do not change what the model does on the bus (its candidates are the
// playback addresses whatever the device-type mask says).
//
// Certification status (5 bytes): byte 0 status bits, bytes 1-2 the physical address, bytes 3
// and 4 one flag per logical address present on the bus (0-7, 8-15; the CECC itself included).
//   bit 0: the CECC holds a physical address other than 0xFF 0xFF and a logical address;
//   bit 1: the TV's vendor, as last reported by the TV, is the maker's (kKorvathVendorId);
//   bit 4: a CEC-capable TV answers on the bus (a TV in standby answers too);
//   bit 5: set in change notifications only.
// The model learns which devices are present from the bus directly, as a controller that
// watches every acknowledgement would; only the allocation polls appear as frames.
//
// Change notifications (selector 0xC7, code 0x90, 1 byte: the status byte with bit 5 set),
// each raising event 0x1502: when the TV starts answering while the CECC holds a logical
// address (cable plugged again, TV switched to CEC), and when another device takes the CECC's
// logical address (the CECC loses it; bit 0 is then 0). A TV that leaves the bus is not
// notified (the hot-plug events cover it), but its vendor is forgotten: the next TV may be
// another maker's.
//
// Frames on the bus addressed to the CECC's logical address, and broadcasts: <Give Physical
// Address> is answered with <Report Physical Address> (broadcast, playback device), <Give
// Device Power Status> with <Report Power Status> on and <Get CEC Version> with <CEC Version>
// 1.4, all by the CECC itself, right after the frame (same virtual time) and only when
// directly addressed. <Device Vendor ID> from the TV updates the TV's vendor; it is consumed
// while a status query waits for it and forwarded otherwise. Every other frame is forwarded:
// queued for selector 0xC3 (up to 32 unread frames; beyond that the oldest is dropped) and
// announced with one event 0x1501 per frame. Reading 0xC3 takes the oldest unread frame and
// copies its bytes into the CECC's one 16-byte frame buffer, then returns the length in W1
// bits 24-31 and the whole buffer in W2-W5: bytes beyond a short frame are those a previous,
// longer frame left. With nothing unread the length is 0 and the buffer is returned as it is.
//
// Register reads: 0xC1 the last stored reply (code in W2 bits 0-7, length in bits 8-15, bytes
// from W3 byte 0), so a read before the response delay has passed returns the previous reply;
// 0xC7 the last notification; any other selector status 0x8000.
// transmit puts the PC's frame on the bus as it is (header included) and answers 0, whether or
// not anybody acknowledged it.
//
// Fault injection: setBusy(n): the next n commands or transmits answer 0x20 and do nothing;
// failNext(n): the next n commands or transmits answer 0x8000; setFailing(true): every access,
// reads included, answers 0x8000; setNeverAnswers(true): commands are accepted (their values
// kept) but no reply or event ever comes. Failures take precedence over busy.
// Simulation.
#pragma once

#include "sim/CecBus.h"
#include "sim/EventService.h"
#include "sim/ScheduledActions.h"
#include "sim/SimFirmware.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace sim {

namespace cecc {
// Command codes and the codes of their replies.
inline constexpr std::uint8_t kGetFirmwareVersion = 0x02;
inline constexpr std::uint8_t kReplyFirmwareVersion = 0x03;
inline constexpr std::uint8_t kSetLogicalDevices = 0x04;
inline constexpr std::uint8_t kReplyLogicalDevices = 0x05;
inline constexpr std::uint8_t kSetOperationMode = 0x07;
inline constexpr std::uint8_t kGetOperationMode = 0x08;
inline constexpr std::uint8_t kReplyOperationMode = 0x09;
inline constexpr std::uint8_t kSetSupportFeature = 0x0A;
inline constexpr std::uint8_t kGetSupportFeature = 0x0B;
inline constexpr std::uint8_t kReplySupportFeature = 0x0C;
inline constexpr std::uint8_t kNotifyPhysicalAddress = 0x30;
inline constexpr std::uint8_t kQueryCertificationStatus = 0x31;
inline constexpr std::uint8_t kReplyCertificationStatus = 0x32;
inline constexpr std::uint8_t kSetOsdName = 0x40;
inline constexpr std::uint8_t kReplyOsdName = 0x41;
inline constexpr std::uint8_t kNotificationStatusChange = 0x90;
// Status byte bits.
inline constexpr std::uint8_t kStatusAddressValid = 0x01;
inline constexpr std::uint8_t kStatusMakersTv = 0x02;
inline constexpr std::uint8_t kStatusTvAnswers = 0x10;
inline constexpr std::uint8_t kStatusChanged = 0x20;
inline constexpr std::size_t kOsdNameLength = 14;
inline constexpr std::uint8_t kNoLogicalAddress = 15;
} // namespace cecc

class CecControllerModel final : public CeccRegisters, public CecDevice {
public:
    static constexpr std::uint64_t kDefaultResponseDelayMs = 100;
    static constexpr std::uint64_t kDefaultVendorWaitMs = 1000;
    static constexpr std::size_t kMaxUnreadFrames = 32;
    static constexpr std::array<std::uint8_t, 3> kCandidateAddresses = {4, 8, 11};

    // A stored reply or notification as the registers return it.
    struct Reply {
        std::uint8_t code = 0;
        std::uint8_t length = 0;
        std::array<std::uint8_t, 12> data{};
    };

    // Attaches itself to the bus; detaches in its destructor.
    CecControllerModel(VirtualClock& clock, CecBus& bus, EventService& events);
    ~CecControllerModel() override;
    CecControllerModel(const CecControllerModel&) = delete;
    CecControllerModel& operator=(const CecControllerModel&) = delete;

    // Configuration and fault injection.
    void setResponseDelay(std::uint64_t ms) { m_responseDelay = ms; }
    void setVendorWait(std::uint64_t ms) { m_vendorWait = ms; }
    void setFirmwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t build) {
        m_firmwareVersion = {major, minor, build};
    }
    void setBusy(int count) { m_busyCount = count; }
    void failNext(int count) { m_failCount = count; }
    void setFailing(bool failing) { m_failing = failing; }
    void setNeverAnswers(bool never) { m_neverAnswers = never; }
    // The logical address tried first when one is allocated (4, then 8 and 11, unless set).
    void setPreferredLogicalAddress(std::uint8_t address) { m_preferredAddress = address; }
    // Signals a status change whose status byte is `status` as given (any bits, bit 5 or not).
    void notifyStatus(std::uint8_t status);

    // What it was given and what it found.
    std::uint16_t physicalAddress() const { return m_physicalAddress; }
    std::uint8_t logicalAddress() const { return m_logicalAddress; } // 15: none
    std::uint8_t logicalDeviceMask() const { return m_logicalDeviceMask; }
    std::uint8_t operationMode() const { return m_operationMode; }
    std::uint8_t supportFeatures() const { return m_supportFeatures; }
    const std::array<std::uint8_t, cecc::kOsdNameLength>& osdName() const { return m_osdName; }
    std::optional<std::uint32_t> tvVendor() const { return m_tvVendor; }
    // The certification status as the CECC would report it now.
    std::array<std::uint8_t, 5> certificationStatus() const;
    const Reply& lastReply() const { return m_reply; }
    const Reply& lastNotification() const { return m_notification; }
    std::size_t unreadFrames() const { return m_unread.size(); }
    std::size_t droppedFrames() const { return m_dropped; }

    // CeccRegisters
    std::uint32_t command(std::uint8_t code, const std::uint8_t* payload, std::size_t length) override;
    std::uint32_t transmit(const std::uint8_t* frame, std::size_t length) override;
    std::uint32_t read(std::uint32_t selector, FirmwareRecord& reply) override;

    // CecDevice
    std::uint16_t logicalAddresses() const override;
    void receive(const CecFrame& frame, std::uint64_t time) override;
    void busMembershipChanged(std::uint64_t time) override;

private:
    // Status of an access after fault injection: 0 to go on.
    std::uint32_t injectedStatus();
    void answer(std::uint8_t code);
    void storeReply(std::uint8_t code, std::initializer_list<std::uint8_t> bytes);
    void storeStatusReply();
    void allocateLogicalAddress();
    void askTvVendor();
    void finishVendorWait();
    void notifyChange();
    void forward(const CecFrame& frame);
    std::uint8_t statusByte() const;
    std::uint8_t initiator() const { return m_logicalAddress; }

    CecBus& m_bus;
    EventService& m_events;

    std::uint64_t m_responseDelay = kDefaultResponseDelayMs;
    std::uint64_t m_vendorWait = kDefaultVendorWaitMs;
    std::array<std::uint8_t, 3> m_firmwareVersion = {1, 4, 2};
    int m_busyCount = 0;
    std::optional<std::uint8_t> m_preferredAddress;
    int m_failCount = 0;
    bool m_failing = false;
    bool m_neverAnswers = false;

    std::uint16_t m_physicalAddress = 0xFFFF;
    std::uint8_t m_logicalAddress = cecc::kNoLogicalAddress;
    std::uint8_t m_logicalDeviceMask = 0;
    std::uint8_t m_operationMode = 0;
    std::uint8_t m_supportFeatures = 0;
    std::array<std::uint8_t, cecc::kOsdNameLength> m_osdName{};
    std::optional<std::uint32_t> m_tvVendor;
    bool m_tvPresent = false;

    // Status queries waiting for the TV's vendor, and the end of that wait.
    int m_vendorWaiters = 0;
    std::optional<VirtualClock::ActionId> m_vendorTimeout;

    Reply m_reply;
    Reply m_notification;
    std::deque<CecFrame> m_unread;
    std::size_t m_dropped = 0;
    std::array<std::uint8_t, kCecMaxFrame> m_frameBuffer{};

    ScheduledActions m_actions; // last: cancelled first
};

} // namespace sim

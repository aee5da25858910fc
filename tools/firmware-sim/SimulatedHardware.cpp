// The simulated hardware of the firmware simulator program. Portable.
#include "tools/firmware-sim/SimulatedHardware.h"

#include "common/FirmwareRecord.h"
#include "sim/SimAmdDisplayLibrary.h"
#include "sim/SimAmdSecondDisplay.h"
#include "sim/SimIntelDisplay.h"
#include "sim/SimNvidiaDisplay.h"
#include "tools/firmware-sim/SimulatorProtocol.h"
#include "tools/firmware-sim/VendorService.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fwsim {

namespace {

std::string timeText(std::uint64_t ms) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%6llu.%03llu s", static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned long long>(ms % 1000));
    return buffer;
}

bool isTransmit(const FirmwareRecord& request) {
    return request.w0 == fw::kWriteRegister &&
           (request.w1 & 0x00FFFFFF) == (fw::kRegisterCecTransmit & 0x00FFFFFF);
}

} // namespace

std::string eventName(std::uint32_t code) {
    char buffer[48];
    switch (code) {
    case sim::event::kCeccResponse:
        return "0x1500 CEC controller response";
    case sim::event::kCecMessage:
        return "0x1501 CEC message";
    case sim::event::kCeccNotification:
        return "0x1502 CEC controller status change";
    case sim::event::kHotPlugLow:
        return "0x1580 hot plug low";
    case sim::event::kHotPlugHigh:
        return "0x1581 hot plug high";
    default:
        break;
    }
    if ((code & 0xFF00) == sim::event::kRemoteKeyBase) {
        std::snprintf(buffer, sizeof buffer, "0x%04x remote key 0x%02x", code, code & 0xFF);
    } else {
        std::snprintf(buffer, sizeof buffer, "0x%04x", code);
    }
    return buffer;
}

SimulatedHardware::SimulatedHardware(RealTimeDriver::MicrosecondSource source)
    : m_driver(m_clock, std::move(source)) {
    m_peers.events().setSink(&m_stampingSink);
}

SimulatedHardware::~SimulatedHardware() {
    m_driver.stop();
    m_peers.events().setSink(nullptr);
}

bool SimulatedHardware::StampingSink::deliver(std::uint32_t code) {
    // Called under the world lock, from the clock's actions.
    m_owner.m_stamps.push_back({m_owner.m_driver.elapsedMicroseconds(), Stamp::Kind::EventPosted, code, 0});
    return m_owner.m_sink != nullptr && m_owner.m_sink->deliver(code);
}

platform::DeviceHandle SimulatedHardware::connect() {
    return m_driver.withWorld([this] {
        platform::ErrorCode error = 0;
        return m_firmware.openDevice(fw::kDevicePath, error);
    });
}

void SimulatedHardware::disconnect(platform::DeviceHandle device) {
    m_driver.withWorld([this, device] { m_firmware.closeDevice(device); });
}

std::optional<std::vector<std::uint8_t>>
SimulatedHardware::serve(platform::DeviceHandle device, const std::uint8_t* message, std::size_t size) {
    const std::uint64_t arrivedUs = m_driver.elapsedMicroseconds();
    if (message == nullptr) {
        return std::nullopt;
    }
    if (size == protocol::kFirmwareMessageSize) {
        return serveFirmware(device, message, arrivedUs);
    }
    if (const auto vendor = protocol::decodeVendorRequest(message, size)) {
        return serveVendor(*vendor);
    }
    return std::nullopt;
}

std::vector<std::uint8_t> SimulatedHardware::serveVendor(const protocol::VendorRequest& request) {
    const protocol::VendorReply reply = m_driver.withWorld([&] {
        sim::DisplayModel& display = m_peers.display();
        bool switched = false;
        protocol::VendorReply answer;
        if (request.vendor == protocol::VendorInterface::Nvidia) {
            answer = serveNvidia(display.nvidiaInterface(), request);
            switched = request.entry == platform::nv::id::kSetView && answer.status == platform::nv::kOk;
        } else if (request.vendor == protocol::VendorInterface::AmdSecond) {
            answer = serveAmdSecond(display.amdSecondInterface(), request);
            switched = request.entry == protocol::amd_second::kSetConfigurationEx && answer.status == 0;
        } else if (request.vendor == protocol::VendorInterface::AmdFirst) {
            answer = serveAmdFirst(display.amdFirstInterface(), request); // reads only
        } else {
            answer = serveIntel(display.intelInterface(), request);
            switched = request.entry == protocol::intel::kSetConfiguration && answer.status == 1 &&
                       answer.value == 0;
        }
        if (switched) {
            display.noteInterfaceChange(); // on the timeline like any other change
        }
        return answer;
    });
    const protocol::VendorReplyBytes bytes = protocol::encode(reply);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> SimulatedHardware::serveFirmware(platform::DeviceHandle device,
                                                           const std::uint8_t* message,
                                                           std::uint64_t arrivedUs) {
    platform::FirmwareBytes request;
    std::memcpy(request, message, platform::kFirmwareRecordSize);
    platform::FirmwareBytes reply = {};
    const bool delivered = m_driver.withWorld([&] {
        const FirmwareRecord record = FirmwareRecord::fromBytes(request);
        if (isTransmit(record)) {
            const std::uint32_t length = record.w1 >> 24;
            const std::uint8_t header = static_cast<std::uint8_t>(record.w2 & 0xFF);
            const std::uint32_t opcode = length >= 2 ? (record.w2 >> 8) & 0xFF : 0x100;
            m_stamps.push_back({arrivedUs, Stamp::Kind::FrameRequested, opcode, header});
        }
        return m_firmware.control(device, fw::kControlCode, request, reply);
    });
    if (!delivered) {
        return std::vector<std::uint8_t>(protocol::kFailureMessageSize, 0);
    }
    return std::vector<std::uint8_t>(reply, reply + platform::kFirmwareRecordSize);
}

std::string SimulatedHardware::timeline() {
    return m_driver.withWorld([this] {
        struct Line {
            std::uint64_t time;
            std::size_t order;
            std::string text;
        };
        std::vector<Line> lines;
        std::size_t order = 0;
        for (const sim::CecBus::Record& record : m_peers.bus().records()) {
            std::string text = timeText(record.time) + "  frame  " + record.describe();
            if (!record.frame.isBroadcast() && !record.acknowledged) {
                text += "  (not acknowledged)";
            }
            lines.push_back({record.time, order++, text});
        }
        for (const sim::EventService::Record& record : m_peers.events().events()) {
            std::string text = timeText(record.time) + "  event  " + eventName(record.code);
            if (!record.delivered) {
                text += "  (not delivered)";
            }
            lines.push_back({record.time, order++, text});
        }
        std::stable_sort(lines.begin(), lines.end(),
                         [](const Line& a, const Line& b) { return a.time < b.time; });
        std::string out;
        for (const Line& line : lines) {
            out += line.text;
            out += '\n';
        }
        return out;
    });
}

} // namespace fwsim

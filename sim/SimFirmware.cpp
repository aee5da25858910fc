// The simulated firmware. Simulation.
#include "sim/SimFirmware.h"

#include "common/Text.h"
#include "sim/SimThreads.h"

namespace sim {
namespace {
constexpr std::size_t kMaxCommandPayload = 14;
constexpr std::size_t kMaxFrame = 16;

} // namespace

SimFirmware::SimFirmware(VirtualClock& clock) : m_clock(clock) {
    m_settings[fw::kSettingHdmiControl] = 1;
    m_settings[fw::kSettingPowerByTv] = 1;
}

std::uint32_t SimFirmware::setting(std::uint32_t number) const {
    const auto it = m_settings.find(number);
    return it == m_settings.end() ? 0 : it->second;
}

void SimFirmware::injectStatus(std::uint32_t functionCode, std::uint32_t status, int count) {
    m_injections.push_back({functionCode, status, count});
}

platform::DeviceHandle SimFirmware::openDevice(const wchar_t* path, platform::ErrorCode& error) {
    if (!m_devicePresent || path == nullptr || !text::equalsNoCase(path, fw::kDevicePath)) {
        error = platform::error::kFileNotFound;
        setLastError(error);
        return platform::kInvalidDevice;
    }
    const platform::DeviceHandle handle = m_nextHandle;
    m_nextHandle += 4;
    m_handles.insert(handle);
    return handle;
}

void SimFirmware::closeDevice(platform::DeviceHandle device) {
    m_handles.erase(device);
}

bool SimFirmware::control(platform::DeviceHandle device, std::uint32_t controlCode,
                          const platform::FirmwareBytes& request, platform::FirmwareBytes& reply) {
    Call call;
    call.time = m_clock.now();
    call.request = FirmwareRecord::fromBytes(request);
    call.reply = FirmwareRecord::fromBytes(reply);
    if (m_handles.count(device) == 0 || controlCode != fw::kControlCode || m_transportFailing) {
        setLastError(m_handles.count(device) == 0 ? platform::error::kInvalidHandle
                                                  : platform::error::kNotSupported);
        m_calls.push_back(call);
        if (callObserver) {
            callObserver(call);
        }
        return false;
    }
    execute(call.request, call.reply);
    call.delivered = true;
    call.reply.toBytes(reply);
    m_calls.push_back(call);
    if (callObserver) {
        callObserver(call);
    }
    return true;
}

void SimFirmware::execute(const FirmwareRecord& request, FirmwareRecord& reply) {
    for (auto it = m_injections.begin(); it != m_injections.end(); ++it) {
        if (it->functionCode == 0 || it->functionCode == request.w0) {
            reply.w0 = it->status;
            if (--it->count <= 0) {
                m_injections.erase(it);
            }
            return;
        }
    }
    reply.w0 = 0;
    switch (request.w0) {
    case fw::kOpenSession:
        m_sessionOpen = true;
        break;
    case fw::kCloseSession:
        m_sessionOpen = false;
        break;
    case fw::kReadSetting:
    case fw::kWriteSetting: {
        const auto it = m_settings.find(request.w1);
        if (!m_sessionOpen || it == m_settings.end()) {
            reply.w0 = fw::kStatusFailed; // settings are reached only inside a session
        } else if (request.w0 == fw::kReadSetting) {
            reply.w2 = it->second;
        } else {
            it->second = request.w2;
        }
        break;
    }
    case fw::kReadRegister:
        readRegister(request, reply);
        break;
    case fw::kWriteRegister:
        writeRegister(request, reply);
        break;
    default:
        reply.w0 = fw::kStatusFailed;
        break;
    }
}

void SimFirmware::readRegister(const FirmwareRecord& request, FirmwareRecord& reply) {
    if (request.w1 == fw::kRegisterWakeupFactor) {
        if (m_wakeupFailures > 0) {
            --m_wakeupFailures;
            reply.w0 = fw::kStatusFailed;
            return;
        }
        reply.w2 = m_wakeupFactor;
    } else if (request.w1 == fw::kRegisterDisplayOutput && request.w2 == fw::kSelectorDisplayOutput) {
        reply.w3 = m_hdmiConnected ? fw::kDisplayOutputHdmiBit : 0;
    } else if (request.w1 == fw::kRegisterCecc && m_cecc != nullptr) {
        reply.w0 = m_cecc->read(request.w2, reply);
    } else {
        reply.w0 = fw::kStatusFailed;
    }
}

void SimFirmware::writeRegister(const FirmwareRecord& request, FirmwareRecord& reply) {
    if (m_cecc == nullptr) {
        reply.w0 = fw::kStatusFailed;
        return;
    }
    std::uint8_t bytes[16];
    request.getBytes(FirmwareRecord::kFrameWord, bytes, sizeof(bytes));
    if (request.w1 == fw::kRegisterCeccCommand) {
        // W2: code, payload length, payload bytes 12 and 13; W3 to W5: payload bytes 0 to 11.
        std::uint8_t payload[kMaxCommandPayload];
        for (std::size_t i = 0; i < 12; ++i) {
            payload[i] = bytes[4 + i];
        }
        payload[12] = bytes[2];
        payload[13] = bytes[3];
        const std::size_t length = bytes[1];
        if (length > kMaxCommandPayload) {
            reply.w0 = fw::kStatusFailed;
            return;
        }
        reply.w0 = m_cecc->command(bytes[0], payload, length);
    } else if ((request.w1 & 0x00FFFFFF) == (fw::kRegisterCecTransmit & 0x00FFFFFF)) {
        const std::size_t length = request.w1 >> 24;
        if (length == 0 || length > kMaxFrame) {
            reply.w0 = fw::kStatusFailed;
            return;
        }
        reply.w0 = m_cecc->transmit(bytes, length);
    } else {
        reply.w0 = fw::kStatusFailed;
    }
}

} // namespace sim
